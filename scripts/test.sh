#!/usr/bin/env bash
# What CI checks: the sources follow .clang-format, everything builds with warnings as errors, and
# every test passes headless through CTest; then the tests again, built under AddressSanitizer and
# UndefinedBehaviorSanitizer (the CMake preset asan, into build-asan/: no benchmark, no fuzzers).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh -DVEXOLO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXOLO_BUILD_TESTS=ON -DVEXOLO_BUILD_BENCH=ON
scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --parallel "$(nproc)"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset asan -G Ninja -DVEXOLO_WERROR=ON "${launcher[@]}"
cmake --build --preset asan --parallel "$(nproc)"
ctest --preset asan --parallel "$(nproc)"
