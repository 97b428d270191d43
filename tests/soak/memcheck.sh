#!/usr/bin/env bash
# Runs the whole program on the scripted driver under valgrind's memcheck for a few hundred frames of
# random input (the soak test, debug build without sanitizers). Fails on any memcheck error or lost block.
#
#   tests/soak/memcheck.sh [frames]     default: 300
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset dev -DNOVRA_WERROR="${NOVRA_WERROR:-OFF}" >/dev/null
cmake --build --preset dev --target soak_tests -j "$(nproc 2>/dev/null || echo 2)"
NOVRA_SOAK_FRAMES=${1:-300} valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes build/dev/tests/soak/soak_tests
