#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test, then installs the package
# it makes, checks the installed program and removes it.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
bash "$racine/scripts/installer-dependances.sh"
bash "$racine/scripts/verifier-format.sh"
rm -rf "$racine/build"
bash "$racine/scripts/construire.sh"
# The sources compile for Windows too (Debian's MinGW, syntax only: see docs/windows.md).
python3 "$racine/scripts/verifier-windows.py" --taches "$(nproc)" "$racine/build"
cd "$racine/build"
ctest --output-on-failure --parallel 2 --timeout 600
bash "$racine/scripts/paquet.sh"
bash "$racine/scripts/tester-paquet.sh"
