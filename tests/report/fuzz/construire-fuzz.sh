#!/usr/bin/env bash
# Builds the report's fuzz targets (template reader, expression parser) with clang into
# build-fuzz/ and, given a target and a duration in seconds, runs it on one core from its seed
# corpus (new inputs go to build-fuzz/corpus-<target>, findings to build-fuzz/).
#   bash tests/report/fuzz/construire-fuzz.sh [modele|expression seconds]
set -euo pipefail
racine="$(cd "$(dirname "$0")/../../.." && pwd)"
construction="$racine/build-fuzz"
fuzz="$racine/tests/report/fuzz"
CC=clang CXX=clang++ cmake -S "$racine" -B "$construction" -G Ninja -DVANTARO_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$construction" --target fuzz_modele fuzz_expression -j2
if [[ $# -ge 2 ]]; then
    mkdir -p "$construction/corpus-$1"
    cd "$construction"
    # A slow input (10 s) or a large heap (2 GB) is a finding as much as a crash.
    QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$fuzz/lsan.supp" ./bin/fuzz_"$1" -max_total_time="$2" -jobs=1 -workers=1 \
        -max_len=16384 -timeout=10 -rss_limit_mb=2048 -dict="$fuzz/$1.dict" \
        "$construction/corpus-$1" "$fuzz/corpus-$1"
fi
