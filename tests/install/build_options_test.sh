#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configuring without the grammars stops and says how to get them, so that no
# build quietly makes a program without colours; with colours turned off on
# purpose it goes on, and the package then names no grammar.
# Usage: build_options_test.sh SOURCE_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$scratch/no-grammars"
configure() {
    cmake -S "$source" -B "$scratch/$1" -G Ninja -DSHEAFPAD_TESTS=OFF \
        -DSHEAFPAD_GRAMMARS_DIR="$scratch/no-grammars" "${@:2}" >"$scratch/$1.log" 2>&1
}

configure stops && fail "configured without the grammars"
tr '\n' ' ' <"$scratch/stops.log" | tr -s ' ' >"$scratch/stops.text"
for words in "tree-sitter-html@" "are not in $scratch/no-grammars" "scripts/fetch_grammars.sh" \
             "-DSHEAFPAD_GRAMMARS_DIR=" "-DSHEAFPAD_COLOURS=OFF"; do
    grep -qF -- "$words" "$scratch/stops.text" || fail "the message lacks $words: $(cat "$scratch/stops.log")"
done

configure plain -DSHEAFPAD_COLOURS=OFF || fail "colours off: $(tail -n 20 "$scratch/plain.log")"
copyright="$scratch/plain/data/copyright"
[ -f "$copyright" ] || fail "no copyright file"
grep -q 'tree-sitter\|Expat' "$copyright" && fail "a program without colours names grammars"
grep -qx 'License: GPL-3+' "$copyright" || fail "copyright licence"
echo "build options: all right"
