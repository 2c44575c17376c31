#!/bin/sh
# Configures (once) and builds into build/.
set -e
cd "$(dirname "$0")/.."
sh scripts/debian-packages.sh
[ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
