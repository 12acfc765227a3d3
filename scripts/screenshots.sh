#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the screenshots of syntax colours in docs/ (a page, a style sheet and
# a script, on a light and a dark palette) with the program's own window on
# Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test --build-dir build >/dev/null
ninja -C build screenshots >/dev/null
build/scripts/screenshots/screenshots docs
ls docs/colours-*.png
