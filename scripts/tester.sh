#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
bash "$racine/scripts/installer-dependances.sh"
rm -rf "$racine/build"
bash "$racine/scripts/construire.sh"
# The sources compile for Windows too (Debian's MinGW, syntax only: see docs/windows.md).
python3 "$racine/scripts/verifier-windows.py" --taches "$(nproc)" "$racine/build"
cd "$racine/build"
ctest --output-on-failure --parallel 2 --timeout 600
