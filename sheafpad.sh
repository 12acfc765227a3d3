#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Sheafpad (installing missing Debian packages first) and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh --build-dir build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Sheafpad is built (build/src/Sheafpad) but there is no graphical display to show it on:"
    echo "DISPLAY is not set. Run ./sheafpad.sh from a desktop session, or over ssh -X,"
    echo "or in a virtual display: xvfb-run ./sheafpad.sh"
    exit 1
fi
exec build/src/Sheafpad "$@"
