#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs the whole suite there. Any report fails the run:
# undefined behaviour is not recovered from, and ASan stops at its first error.
# -O1 keeps the instrumented tests fast without the compile time of -O2/-O3;
# -g1 keeps the line numbers of the reports. Only what the tests use is built
# (no benchmarks, no showcase windows), and the heavy headers are precompiled,
# since this build usually starts from nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
generator=()
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
cmake -S . -B build-asan "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug \
      -DPELLUMO_BENCH=OFF -DPELLUMO_FUZZ=OFF -DPELLUMO_SHOWCASE=OFF -DPELLUMO_PCH=ON \
      -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
      -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="$sanitize" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
# The test videos of the normal build are reused; the generator keeps files
# that are already there.
if [ -d build/fixtures ] && [ ! -d build-asan/fixtures ]; then
  cp -a build/fixtures build-asan/fixtures
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cmake --build build-asan -j2
cd build-asan
ctest --output-on-failure -j2 --timeout 900
