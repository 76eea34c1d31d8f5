#!/usr/bin/env bash
# Configures and builds into build/ (the program lands in build/bin beside its sample installation).
# --cible=NOM builds that target only (several may be given), and everything by default; the other
# arguments are passed on to the configuration (-DCMAKE_INSTALL_PREFIX=/usr).
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cibles=()
configuration=()
for argument in "$@"; do
    case $argument in
        --cible=*) cibles+=(--target "${argument#--cible=}") ;;
        *) configuration+=("$argument") ;;
    esac
done
cmake -S "$racine" -B "$racine/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configuration[@]}"
cmake --build "$racine/build" --parallel 2 "${cibles[@]}"
