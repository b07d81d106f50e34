#!/bin/bash
# Configures and builds the three builds: build/win64 (tests run under Wine),
# build/win32 (the product's 32-bit build), build/native (sanitizers, tools).
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
jobs=$(nproc)
cmake --no-warn-unused-cli -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
cmake --no-warn-unused-cli -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
cmake --no-warn-unused-cli -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
for b in ${BUILDS:-win64 win32 native}; do
    echo "== building $b"
    cmake --build "build/$b" -j"$jobs"
done
