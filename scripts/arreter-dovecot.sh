#!/usr/bin/env bash
# Stops the IMAP server that demarrer-dovecot.sh started and removes its folder.
#
#   arreter-dovecot.sh <sortie>
set -euo pipefail
sortie=$(realpath -m "$1")
[[ -f "$sortie/dossier" ]] || exit 0
dossier=$(cat "$sortie/dossier")
if [[ -f "$dossier/run/master.pid" ]]; then
    pid=$(cat "$dossier/run/master.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
fi
[[ "$dossier" == /tmp/vantaro-dovecot.* ]] && rm -rf "$dossier"
rm -f "$sortie/dossier" "$sortie/port" "$sortie/port-tls" "$sortie/mot-de-passe" "$sortie/ca.crt"
