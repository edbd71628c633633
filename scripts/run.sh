#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it on the example competition.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRV_BUILD_TESTS=OFF -DBRV_BUILD_BENCH=OFF
cmake --build build --target brenvolutaris
exec ./build/src/app/brenvolutaris examples/Beispiel-Wettkampf.xlsx "$@"
