#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the settings parser's fuzz target with clang (libFuzzer, address and
# undefined-behaviour sanitizers) and runs it for a bounded time.
# Usage: scripts/fuzz_ini.sh [seconds=15] [work dir=build/fuzz]
# Exits 77 (skipped) only when clang with libFuzzer is not installed; a
# target that does not build is a failure.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=${1:-15}
work=${2:-$root/build/fuzz}
cxx=${CXX_FUZZ:-clang++}

if ! command -v "$cxx" >/dev/null; then
    echo "fuzz_ini.sh: $cxx not found; skipping" >&2
    exit 77
fi
mkdir -p "$work/corpus"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
# Can this clang build a fuzz target at all (libclang-rt installed)?
probe="$work/probe"
if [ ! -x "$probe" ]; then
    printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
        'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' \
        >"$probe.cpp"
    if ! "$cxx" "${flags[@]}" "$probe.cpp" -o "$probe" 2>/dev/null; then
        echo "fuzz_ini.sh: $cxx cannot build fuzz targets (libclang-rt missing?); skipping" >&2
        exit 77
    fi
fi
binary="$work/ini_fuzz"
sources=("$root/tests/settings/ini_fuzz.cpp" "$root/src/settings/ini_text.cpp"
         "$root/src/settings/ini_file.cpp" "$root/src/settings/ini_storage.cpp"
         "$root/src/platform/file_io_posix.cpp" "$root/src/platform/file_io_posix_util.cpp"
         "$root/src/platform/file_save_posix.cpp" "$root/src/platform/file_in_place_posix.cpp"
         "$root/src/platform/in_place_backup_posix.cpp"
         "$root/src/platform/in_place_restore_posix.cpp"
         "$root/src/platform/file_identity_posix.cpp"
         "$root/src/platform/user_dirs_posix.cpp" "$root/src/platform/working_dir_posix.cpp"
         "$root/src/base/errors.cpp" "$root/src/base/content_hash.cpp")
newest=$(ls -t "${sources[@]}" "$0" | head -1)
if [ ! -x "$binary" ] || [ "$newest" -nt "$binary" ]; then
    if ! "$cxx" "${flags[@]}" -I"$root/src" "${sources[@]}" -o "$binary.new"; then
        echo "fuzz_ini.sh: the fuzz target does not build" >&2
        exit 1
    fi
    mv "$binary.new" "$binary"
fi
# A few seeds in the file's own shape.
printf '[Initial]\r\nDir=/home/u/\r\nLeft=0x20\r\n' >"$work/corpus/seed1"
printf 'x\n[other]\ndir = a\n\n[INITIAL]\rTop=$FF\r' >"$work/corpus/seed2"
"$binary" -max_total_time="$seconds" -max_len=4096 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus" 2>&1 | tail -15
