#!/usr/bin/env bash
# Stops the CUPS scheduler that demarrer-cups.sh started; one it found running is left alone.
#
#   arreter-cups.sh
set -euo pipefail
pid_fichier=/run/vantaro-cups/cupsd.pid
[[ -f "$pid_fichier" ]] || exit 0
pid=$(cat "$pid_fichier")
if [[ $(cat "/proc/$pid/comm" 2>/dev/null) == cupsd ]]; then
    kill "$pid"
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
fi
rm -f "$pid_fichier"
