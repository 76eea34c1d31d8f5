#!/usr/bin/env bash
# Installs what is needed, builds from scratch and runs every test.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
bash "$racine/scripts/installer-dependances.sh"
bash "$racine/scripts/verifier-format.sh"
rm -rf "$racine/build"
bash "$racine/scripts/construire.sh"
cd "$racine/build"
ctest --output-on-failure --parallel 2 --timeout 600
