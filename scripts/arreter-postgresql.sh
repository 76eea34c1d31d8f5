#!/usr/bin/env bash
# Stops the test database server that demarrer-postgresql.sh started and removes its folder.
#
#   arreter-postgresql.sh <sortie>
set -euo pipefail
sortie=$(realpath -m "$1")
[[ -f "$sortie/dossier" ]] || exit 0
dossier=$(cat "$sortie/dossier")
if [[ -d "$dossier/donnees" ]]; then
    proprietaire=$(stat -c %U "$dossier/donnees")
    if ((EUID == 0)); then
        runuser -u "$proprietaire" -- /usr/lib/postgresql/15/bin/pg_ctl -D "$dossier/donnees" \
            -m fast -w stop >/dev/null || true
    else
        /usr/lib/postgresql/15/bin/pg_ctl -D "$dossier/donnees" -m fast -w stop >/dev/null || true
    fi
fi
rm -rf "$dossier"
rm -f "$sortie/dossier" "$sortie/uri"
