#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that the build (and, with --test, the tests)
# need, when any are missing, then configures and builds into build/.
# Usage: scripts/setup.sh [--test] [--build-dir DIR] [--build-type TYPE] [-DNAME=VALUE...]
set -euo pipefail
cd "$(dirname "$0")/.."

want_tests=0
build_dir=build
build_type=RelWithDebInfo
extra=()
while [ $# -gt 0 ]; do
    case "$1" in
        --test) want_tests=1 ;;
        --build-dir) build_dir=$2; shift ;;
        --build-type) build_type=$2; shift ;;
        -D*) extra+=("$1") ;;
        *) echo "setup.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

packages=(cmake ninja-build g++ qt6-base-dev qt6-svg-dev qt6-l10n-tools qt6-tools-dev libgl-dev fonts-dejavu-core pkg-config libglib2.0-dev
          librsvg2-bin libpcre2-dev libtree-sitter-dev libmimalloc2.0)
# npm fetches the syntax grammars; any npm will do.
command -v npm >/dev/null 2>&1 || packages+=(npm)
if [ "$want_tests" = 1 ]; then
    packages+=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick twm
               clang libclang-rt-14-dev desktop-file-utils appstream lintian dpkg-dev file
               python3-pyatspi at-spi2-core dbus-daemon qt6-translations-l10n)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing missing Debian packages: ${missing[*]}"
    if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# A compiler cache, when one is installed, makes rebuilds in other checkouts cheap.
if command -v ccache >/dev/null 2>&1; then
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# The grammars for syntax colours, from the npm registry into a cache outside
# the tree; without them configuring stops and says why, unless colours are
# turned off (-DSHEAFPAD_COLOURS=OFF) or a folder of them is given
# (-DSHEAFPAD_GRAMMARS_DIR=...).
case " ${extra[*]} " in
    *" -DSHEAFPAD_COLOURS=OFF "* | *" -DSHEAFPAD_GRAMMARS_DIR="*) ;;
    *)
        grammars=$(scripts/fetch_grammars.sh) || true
        [ -n "$grammars" ] && extra+=(-DSHEAFPAD_GRAMMARS_DIR="$grammars")
        ;;
esac

tests_flag=OFF
[ "$want_tests" = 1 ] && tests_flag=ON
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
    -DSHEAFPAD_TESTS="$tests_flag" "${extra[@]}" >/dev/null ||
    { echo "setup.sh: configuring failed (see the message above)" >&2; exit 1; }
ninja -C "$build_dir"
