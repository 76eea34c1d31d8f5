#!/usr/bin/env bash
# Checks the package that scripts/paquet.sh made with lintian, installs it (as root), runs the
# installed tool and program from their installed paths on the sample installation, then purges
# the package.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
paquets=("$racine"/build/vantaro_*.deb)
if ((${#paquets[@]} != 1)) || [[ ! -f ${paquets[0]} ]]; then
    echo "Un seul paquet attendu dans build/ : ${paquets[*]}" >&2
    exit 1
fi
version=$(dpkg-deb -f "${paquets[0]}" Version)
dossier=$(mktemp -d)
nettoyer() {
    apt-get purge -y -q vantaro >/dev/null
    rm -rf "$dossier"
}
trap nettoyer EXIT
export DEBIAN_FRONTEND=noninteractive LC_ALL=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen

# Debian's own checks of the package: an error fails the test, the rest is shown.
echo "== lintian"
lintian --fail-on error --display-info "${paquets[0]}"

apt-get install -y -q "${paquets[0]}"

echo "== vantaro-outil --version et --help"
[[ $(vantaro-outil --version) == "vantaro-outil $version" ]]
vantaro-outil --help | grep -q "^Commandes :"
echo "== vantaro-concepteur --help"
QT_QPA_PLATFORM=offscreen vantaro-concepteur --help | grep -q "Concepteur de modèles"

# The sample quote with the print configuration stored in the installed settings database: its
# footer shows that the database named by /etc/vantaro/Vantaro.ini was read, its six pictures
# (the logo, the five lines' sketches) that the installed paths were written into the data.
modele="/usr/lib/vantaro/Modeles/Devis/Standard/Tessaro/Portrait/Prix nets.fr3"
exemple=/usr/lib/vantaro/Exemples/devis.xml
verifier_pdf() {
    local pages
    pages=$(pdfinfo "$1" | awk '/^Pages:/ {print $2}')
    ((pages >= 1))
    pdftotext "$1" - | grep -q "SIRET 123 456 789"
    (($(pdfimages -list "$1" | tail -n +3 | wc -l) >= 6))
    echo "$1 : $pages page(s)"
}
echo "== vantaro-outil rendu"
vantaro-outil rendu "$modele" "$exemple" "$dossier/devis.pdf" --regional fr_FR \
    --base /var/lib/vantaro/Vantaro.abs
verifier_pdf "$dossier/devis.pdf"

echo "== vantaro, export sans écran"
cat > "$dossier/lot.ini" <<FIN
[Configuration]
Agence=LYON
Utilisateur=MARTIN
[Export]
Nombre=1
Rapport1=$modele
Xml1=$exemple
Export1=$dossier/lot.pdf
FIN
timeout 120 vantaro "$dossier/lot.ini" EXPORTER
verifier_pdf "$dossier/lot.pdf"
