#!/usr/bin/env bash
# Builds the 64- and 32-bit Windows binaries and the native tests into build/.
# Prints where each build lies.
set -euo pipefail
# usage: tools/build.sh
. "$(dirname "$0")/usage.sh"
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TELLUR_BUILD_DIR:-$root/build}
jobs=$(nproc)
mkdir -p "$build"  # the configure logs go beside the trees

for arch in x86_64 i686; do
    dir=$build/win-$arch
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
    cmake --build "$dir" -j "$jobs"
done

# The fuzzers need clang's libFuzzer.
CXX=clang++ cmake -S "$root/tests/fuzz" -B "$build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >"$build/fuzz.configure.log" 2>&1 || { cat "$build/fuzz.configure.log"; exit 1; }
cmake --build "$build/fuzz" -j "$jobs"

cmake -S "$root" -B "$build/native" -DTELLUR_WIN64_DIR="$build/win-x86_64" \
    -DTELLUR_WIN32_DIR="$build/win-i686" -DTELLUR_FUZZ_DIR="$build/fuzz" >"$build/native.configure.log" 2>&1 ||
    { cat "$build/native.configure.log"; exit 1; }
cmake --build "$build/native" -j "$jobs"
