#!/usr/bin/env bash
# Fails when a C++ source differs from the repository's .clang-format; prints the differences.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t sources < <(git ls-files '*.cpp' '*.h')
else
    mapfile -t sources < <(find . -path ./build -prune -o -path './build-*' -prune -o \
        -type f \( -name '*.cpp' -o -name '*.h' \) -print)
fi
clang-format --dry-run --Werror "${sources[@]}"
