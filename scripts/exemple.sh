#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program on the sample installation's document
# job. Without a display it runs on a virtual one and leaves a screenshot in build/exemple.png.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
bash "$racine/scripts/installer-dependances.sh"
bash "$racine/scripts/construire.sh"
cd "$racine/build/bin"
travail=${1:-Exemples/document.ini}
mode=${2:-DOCUMENT}
if [ -n "${DISPLAY:-}" ]; then
    exec ./Vantaro "$travail" "$mode"
fi
exec python3 "$racine/scripts/exemple_sans_ecran.py" ./Vantaro "$travail" "$mode" "$racine/build/exemple.png"
