#!/usr/bin/env bash
# Builds the Debian package build/vantaro_<version>_<architecture>.deb, as root on Debian 12.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
bash "$racine/scripts/installer-dependances.sh"
bash "$racine/scripts/construire.sh" -DCMAKE_INSTALL_PREFIX=/usr
cd "$racine/build"
cpack -G DEB
