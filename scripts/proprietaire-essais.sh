# Sourced by the scripts that start a test server: the servers refuse to run as root, or would
# switch users themselves. Sets $proprietaire, the account they run as (postgres when it exists,
# else nobody; the caller itself when it is not root), and en_proprietaire, which runs a command
# as that account.
if ((EUID == 0)); then
    proprietaire=$(id -u postgres >/dev/null 2>&1 && echo postgres || echo nobody)
    en_proprietaire() { runuser -u "$proprietaire" -- "$@"; }
else
    proprietaire=$(id -un)
    en_proprietaire() { "$@"; }
fi
