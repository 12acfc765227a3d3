#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fetches the tree-sitter grammars listed in src/syntax/grammars.txt from the
# npm registry (npm pack) into a cache outside the source tree, checks each
# archive's SHA-512 and unpacks it as <cache>/<name>-<version>/package.
# Prints the cache directory. A grammar that cannot be fetched or does not
# match is reported and left out, and the script ends with status 1: the
# build then stops, unless configured without colours (-DSHEAFPAD_COLOURS=OFF).
# Usage: scripts/fetch_grammars.sh [CACHE_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."

cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/sheafpad/grammars}
mkdir -p "$cache" || { echo "fetch_grammars: cannot create $cache" >&2; exit 1; }

failed=0
unreachable=0
while read -r name version sha512; do
    case "$name" in '' | '#'*) continue ;; esac
    dir="$cache/$name-$version"
    [ -f "$dir/package/src/parser.c" ] && continue
    archive="$cache/$name-$version.tgz"
    if [ ! -f "$archive" ] && [ "$unreachable" = 0 ]; then
        tmp=$(mktemp -d) || exit 1
        # Few and short retries: without a network the build goes on at once.
        if (cd "$tmp" && npm pack --loglevel=error --fetch-retries=1 --fetch-retry-mintimeout=2000 \
            --fetch-retry-maxtimeout=5000 --fetch-timeout=30000 "$name@$version" \
            >/dev/null 2>"$tmp/log") && [ -f "$tmp/$name-$version.tgz" ]; then
            mv "$tmp/$name-$version.tgz" "$archive"
        else
            echo "fetch_grammars: npm could not fetch $name@$version:" \
                "$(grep -m 2 -i 'err' "$tmp/log" | tr '\n' ' ')" >&2
            unreachable=1
        fi
        rm -rf "$tmp"
    fi
    if [ ! -f "$archive" ]; then
        failed=1
        continue
    fi
    if [ "$(sha512sum "$archive" | cut -d' ' -f1)" != "$sha512" ]; then
        echo "fetch_grammars: $archive does not have the pinned SHA-512; removed" >&2
        rm -f "$archive"
        failed=1
        continue
    fi
    rm -rf "$dir.part" && mkdir -p "$dir.part" && tar -xzf "$archive" -C "$dir.part" &&
        rm -rf "$dir" && mv "$dir.part" "$dir" || { echo "fetch_grammars: cannot unpack $archive" >&2; failed=1; }
done < src/syntax/grammars.txt

echo "$cache"
if [ "$failed" = 1 ]; then
    echo "fetch_grammars: some grammars are missing, and the build stops without them." \
        "Run scripts/fetch_grammars.sh again where the npm registry can be reached, or" \
        "configure with -DSHEAFPAD_GRAMMARS_DIR=<folder holding them>, or build without" \
        "syntax colours with -DSHEAFPAD_COLOURS=OFF" >&2
    exit 1
fi
