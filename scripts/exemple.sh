#!/usr/bin/env bash
# Installs what is needed, builds the program and the tool (the tests and the benchmarks are the
# test command's), and runs the program on the sample installation's document job (or the job and
# mode given). The sample data is written with French regional settings, as on the users'
# desktops. Without a display, the quote is rendered to build/exemple-devis.pdf, and the program
# runs on a virtual display with a screenshot left in build/exemple.png.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
# Regional settings that this machine does not have yet (installer-dependances.sh makes the
# French ones) would make every shell and tool started until then warn: neutral ones meanwhile.
if [[ -n $(locale 2>&1 >/dev/null) ]]; then
    export LC_ALL=C.UTF-8
fi
bash "$racine/scripts/installer-dependances.sh"
bash "$racine/scripts/construire.sh" --cible=Vantaro --cible=vantaro-outil \
    --cible=vantaro_installation --cible=vantaro_exemple_devis --cible=vantaro_base_exemple
cd "$racine/build/bin"
travail=${1:-Exemples/document.ini}
mode=${2:-DOCUMENT}
export LC_ALL=fr_FR.UTF-8
if [ -n "${DISPLAY:-}" ]; then
    exec ./Vantaro "$travail" "$mode"
fi
./vantaro-outil rendu "Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3" Exemples/devis.xml \
    "$racine/build/exemple-devis.pdf" --base Vantaro.abs --agence LYON --utilisateur MARTIN
echo "Devis d'exemple rendu : $racine/build/exemple-devis.pdf"
exec python3 "$racine/scripts/exemple_sans_ecran.py" ./Vantaro "$travail" "$mode" "$racine/build/exemple.png"
