#!/usr/bin/env bash
# Builds the game and its tests with AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer into build-asan/ (or SANITIZE_BUILD_DIR) and runs
# every test there but the window tests: the fuzz seed replays, each case on
# its own and each test program whole in a shuffled order. Any report fails
# its test. The programs carry their sanitizer options and leak suppressions
# (tests/sanitizer_defaults.cpp, tests/lsan.supp). Needs what run-tests.sh
# installs; CI runs it after run-tests.sh (.ci/run).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${SANITIZE_BUILD_DIR:-$ROOT/build-asan}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGIZMOWORKS_SANITIZE=ON
cmake --build "$BUILD" -j"$(nproc)"
cd "$BUILD"
ctest --output-on-failure -j"$(nproc)" -LE window
