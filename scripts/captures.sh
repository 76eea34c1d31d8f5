#!/usr/bin/env bash
# Screenshots of every window of every mode, as French users see them on a 1366x768 screen: the
# real program runs on a virtual display (Xvfb) with French regional settings, on a copy of the
# sample installation, driven from the keyboard. The pictures land in build/captures/ (or the
# folder given), numbered in the order they were taken.
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
captures=${1:-$racine/build/captures}
bash "$racine/scripts/installer-dependances.sh"
if [ ! -f "$racine/build/build.ninja" ]; then
    cmake -S "$racine" -B "$racine/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$racine/build" --parallel 2 --target Vantaro vantaro-outil vantaro_base_exemple \
    vantaro_exemple_devis
rm -rf "$captures"
export LC_ALL=fr_FR.UTF-8
exec python3 "$racine/scripts/captures.py" "$racine/build/bin" "$captures" "${@:2}"
