#!/bin/sh
# Builds the fuzzers with clang (address and undefined-behaviour sanitizers,
# assertions on) and runs one of them for a number of seconds:
#   sh fuzz/run.sh rtf|pair|options|odt|docx|betacode SECONDS [BUILD_DIR]
# Seeds come from fuzz/seeds/ and the test data; the corpus that grows is kept
# in BUILD_DIR/corpus-NAME, so a later run goes on from there.
set -e
name="$1"
seconds="${2:-60}"
here="$(cd "$(dirname "$0")" && pwd)"
build="${3:-$here/../build-fuzz}"
command -v clang++ >/dev/null || { echo "clang++ is missing (apt-get install clang libclang-rt-14-dev)"; exit 1; }
# Configured every time (quick when nothing changed), so that a new reader's target is known.
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" >/dev/null
else
    CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build" --target "fuzz_$name" -j "$(nproc)" >/dev/null
corpus="$build/corpus-$name"
mkdir -p "$corpus"
cp -n "$here/seeds/$name"/* "$corpus"/ 2>/dev/null || true
if [ "$name" = rtf ]; then
    cp -n "$here"/../tests/rtf/data/*.rtf "$corpus"/ 2>/dev/null || true
fi
# Limits: no single input above 1 MiB, no run longer than 10 s, at most 2 GiB memory.
set +e
"$build/fuzz_$name" -max_total_time="$seconds" -max_len=1048576 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/" "$corpus" > "$build/fuzz-$name.log" 2>&1
rc=$?
tail -n 20 "$build/fuzz-$name.log"
exit $rc
