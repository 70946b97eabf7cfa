#!/usr/bin/env bash
# Builds every configuration and runs every test: the core's unit tests (ASan + UBSan) and the
# Wine tests of the Windows program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native
cmake --build --preset native
ctest --preset native -j2
cmake --preset win32
cmake --build --preset win32
echo "Wine suite: $(cat build/win32/wine-under-test.txt)"
ctest --preset win32 -j2
