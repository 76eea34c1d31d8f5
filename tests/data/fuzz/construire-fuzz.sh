#!/usr/bin/env bash
# Builds the loader's fuzz target with clang into build-fuzz/ and, given a duration in seconds,
# runs it on one core from the seed corpus (new inputs go to build-fuzz/corpus, findings to
# build-fuzz/).
#   bash tests/data/fuzz/construire-fuzz.sh [seconds]
set -euo pipefail
racine="$(cd "$(dirname "$0")/../../.." && pwd)"
construction="$racine/build-fuzz"
CC=clang CXX=clang++ cmake -S "$racine" -B "$construction" -G Ninja -DVANTARO_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$construction" --target fuzz_lecteur_xml -j2
if [[ $# -ge 1 ]]; then
    mkdir -p "$construction/corpus"
    cd "$construction"
    ./bin/fuzz_lecteur_xml -max_total_time="$1" -jobs=1 -workers=1 -max_len=16384 \
        -dict="$racine/tests/data/fuzz/xml.dict" \
        "$construction/corpus" "$racine/tests/data/fuzz/corpus"
fi
