#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source file names the project's licence in SPDX form in its first
# line (the second, after a #! line), so that a file copied out of the tree
# still says under which terms it may be used.
set -euo pipefail
root=$1
cd "$root"
tag='SPDX-License-Identifier: GPL-3.0-or-later'
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files)
else
    mapfile -t files < <(find . -path ./build -prune -o -type f -print | sed 's#^\./##')
fi
checked=0
missing=()
for f in "${files[@]}"; do
    case "$f" in
        *.cpp | *.h | *.cpp.in | *.h.in | */CMakeLists.txt | CMakeLists.txt | *.cmake.in | *.sh | \
            *.py | .ci/run) ;;
        *) continue ;;
    esac
    [ -f "$f" ] || continue
    head=$(head -n 1 "$f")
    case "$head" in '#!'*) head=$(sed -n 2p "$f") ;; esac
    case "$head" in *"$tag"*) ;; *) missing+=("$f") ;; esac
    checked=$((checked + 1))
done
if [ "$checked" -lt 100 ]; then
    echo "licence_test: only $checked source files found under $root" >&2
    exit 1
fi
[ -f LICENSE ] && grep -q 'GPL-3.0-or-later\|version 3 of the License, or' LICENSE || {
    echo "licence_test: LICENSE does not state GPL-3.0-or-later" >&2
    exit 1
}
if [ ${#missing[@]} -gt 0 ]; then
    echo "licence_test: no SPDX licence line at the top of:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
fi
echo "licence_test: $checked source files carry the licence line"
