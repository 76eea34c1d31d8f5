#!/usr/bin/env bash
# Starts an IMAP server (Dovecot) for the tests in a temporary folder, as an unprivileged process
# listening on loopback only: one port in clear that offers STARTTLS, one in TLS from the start,
# its certificate signed by an authority made here. Any user name logs in with the one password;
# each user gets a mailbox of its own whose folder "Envoyés" is announced as the sent folder
# (\Sent). Writes into <sortie>:
#   port          the port in clear (STARTTLS offered)
#   port-tls      the port in TLS from the start
#   ca.crt        the authority that signed the server's certificate
#   mot-de-passe  the password of every user
#   dossier       the server's folder, for arreter-dovecot.sh
#
#   demarrer-dovecot.sh <sortie>
set -euo pipefail
sortie=$(realpath -m "$1")
mkdir -p "$sortie"
[[ -f "$sortie/dossier" ]] && bash "$(dirname "$0")/arreter-dovecot.sh" "$sortie"

source "$(dirname "$0")/proprietaire-essais.sh"
groupe=$(id -gn "$proprietaire")

dossier=$(mktemp -d /tmp/vantaro-dovecot.XXXXXX)
chmod 755 "$dossier"
echo "$dossier" >"$sortie/dossier"
ports=($(python3 -c '
import socket
prises = [socket.socket() for _ in range(2)]
for prise in prises:
    prise.bind(("127.0.0.1", 0))
print(" ".join(str(prise.getsockname()[1]) for prise in prises))'))
mot_de_passe=$(openssl rand -hex 12)

cd "$dossier"
openssl req -x509 -nodes -newkey rsa:2048 -days 2 -subj "/CN=Autorite IMAP des essais Vantaro" \
    -keyout ca.key -out ca.crt \
    -addext basicConstraints=critical,CA:true -addext keyUsage=keyCertSign,cRLSign 2>/dev/null
openssl req -new -nodes -newkey rsa:2048 -subj "/CN=localhost" -keyout serveur.key \
    -out serveur.csr 2>/dev/null
openssl x509 -req -in serveur.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 \
    -out serveur.crt -extfile <(printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n') 2>/dev/null
mkdir -p run state boites
cat >dovecot.conf <<CONF
base_dir = $dossier/run
state_dir = $dossier/state
log_path = $dossier/dovecot.log
protocols = imap
listen = 127.0.0.1
default_internal_user = $proprietaire
default_internal_group = $groupe
default_login_user = $proprietaire
ssl = yes
ssl_cert = <$dossier/serveur.crt
ssl_key = <$dossier/serveur.key
# Loopback only: the clear port also takes a password, as a plain test server does.
disable_plaintext_auth = no
auth_mechanisms = plain login
mail_location = maildir:$dossier/boites/%u
# The user it runs as may be a system account.
first_valid_uid = 1
first_valid_gid = 1
namespace inbox {
  inbox = yes
  separator = /
  mailbox "Envoyés" {
    special_use = \\Sent
    auto = create
  }
}
passdb {
  driver = static
  args = password=$mot_de_passe
}
userdb {
  driver = static
  args = uid=$(id -u "$proprietaire") gid=$(id -g "$proprietaire") home=$dossier/boites/%u
}
service imap-login {
  chroot =
  inet_listener imap {
    port = ${ports[0]}
  }
  inet_listener imaps {
    port = ${ports[1]}
    ssl = yes
  }
}
service anvil {
  chroot =
}
CONF
chown -R "$proprietaire" "$dossier"
chmod 600 serveur.key ca.key
# Its own log only: a daemon that kept the caller's output open would keep CTest waiting.
en_proprietaire /usr/sbin/dovecot -c "$dossier/dovecot.conf" </dev/null >/dev/null 2>&1
# Ready once the clear port answers with its greeting.
for _ in $(seq 100); do
    if python3 -c "
import socket, sys
with socket.create_connection(('127.0.0.1', ${ports[0]}), timeout=1) as s:
    sys.exit(0 if s.recv(100).startswith(b'* OK') else 1)" 2>/dev/null; then
        cp ca.crt "$sortie/"
        echo "${ports[0]}" >"$sortie/port"
        echo "${ports[1]}" >"$sortie/port-tls"
        echo "$mot_de_passe" >"$sortie/mot-de-passe"
        exit 0
    fi
    sleep 0.1
done
echo "Le serveur IMAP n'a pas démarré :" >&2
cat "$dossier/dovecot.log" >&2 || true
exit 1
