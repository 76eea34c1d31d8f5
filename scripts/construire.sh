#!/usr/bin/env bash
# Configures and builds into build/ (the program lands in build/bin beside its sample installation).
# Arguments are passed on to the configuration (-DCMAKE_INSTALL_PREFIX=/usr).
set -euo pipefail
racine=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$racine" -B "$racine/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$racine/build" --parallel 2
