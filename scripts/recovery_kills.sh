#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Counts restores over repeated real kills, with the test programs of the
# debug build (build/, made by ./test.sh):
#  - the first key into a 50 MB page, the program killed 0.1 s after the key
#    reached it, restored at the next start (RUNS times, default 10);
#  - in-place saves of a 32 MB page killed at many points, each file judged
#    at the next start by its bytes, with another program appending to some
#    right after the kill (KILLS times, default 100).
#
#   scripts/recovery_kills.sh [RUNS] [KILLS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
kills=${2:-100}
SHEAFPAD_KILL_RUNS=$runs SHEAFPAD_KILL_DELAY_MS=100 build/tests/e2e/recovery_e2e_test \
    --gtest_filter='*BigPage*' | grep -E "big page:|OK|FAILED|SKIPPED"
SHEAFPAD_KILLS=$kills build/tests/platform/test_file_io --gtest_filter='SaveKilled.InPlace*' |
    grep -E "in-place:|OK|FAILED"
