#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Sheafpad with its tests (installing missing Debian packages first)
# and runs the whole suite: unit, widget and end-to-end tests.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh --test --build-dir build
cd build
ctest --output-on-failure -j2 "$@"
