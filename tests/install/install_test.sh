#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a scratch folder and checks what a desktop
# gets: the tree, the menu entry, the icons and the catalogue entry, each
# checked with the desktop's own validators; then builds the Debian package
# and checks its contents, its computed dependencies and lintian's verdict.
# Nothing is installed into the system.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
id=io.github.sheafpad.sheafpad
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr --strip >/dev/null
usr="$scratch/root/usr"
expected=(
    bin/Sheafpad
    share/applications/$id.desktop
    share/icons/hicolor/scalable/apps/$id.svg
    share/icons/hicolor/48x48/apps/$id.png
    share/icons/hicolor/64x64/apps/$id.png
    share/icons/hicolor/128x128/apps/$id.png
    share/icons/hicolor/256x256/apps/$id.png
    share/metainfo/$id.metainfo.xml
    share/man/man1/Sheafpad.1.gz
    share/doc/sheafpad/copyright
    share/doc/sheafpad/changelog.gz
)
(cd "$usr" && find . -type f | sed 's|^\./||' | sort) > "$scratch/tree"
printf '%s\n' "${expected[@]}" | sort > "$scratch/expected"
diff -u "$scratch/expected" "$scratch/tree" || fail "installed tree differs"
[ -x "$usr/bin/Sheafpad" ] || fail "the program is not executable"
[ "$(readlink "$usr/bin/sheafpad")" = Sheafpad ] || fail "no sheafpad command"
[ "$(readlink "$usr/share/man/man1/sheafpad.1.gz")" = Sheafpad.1.gz ] || fail "no sheafpad manual"
# Without a display, the message names the command as it was typed.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LANGUAGE LC_ALL=C.UTF-8
           PATH="$usr/bin:$PATH")
message=$("${nodisplay[@]}" sheafpad 2>&1 >/dev/null) && fail "started without a display"
[[ "$message" == *"xvfb-run sheafpad"* ]] || fail "no-display message: $message"
# --help and --version answer on standard output, without a display; anything
# else is an error on standard error, with nothing on standard output.
version=$("${nodisplay[@]}" sheafpad --version) || fail "--version failed"
[[ "$version" == "Sheafpad "[0-9]*"GPLv3+"* ]] || fail "--version: $version"
help=$("${nodisplay[@]}" sheafpad --help) || fail "--help failed"
[[ "$help" == "Usage: sheafpad [FOLDER | FILE]"* ]] || fail "--help: $help"
status=0
out=$("${nodisplay[@]}" sheafpad --bogus 2>"$scratch/err") || status=$?
[ "$status" = 2 ] && [ -z "$out" ] || fail "--bogus: status $status, output $out"
grep -qx 'sheafpad: unknown option "--bogus"' "$scratch/err" || fail "--bogus: $(cat "$scratch/err")"
# The installed program speaks the desktop's language from the start, and
# English under an English locale.
german=$("${nodisplay[@]}" LC_ALL=de_DE.UTF-8 sheafpad --help)
[[ "$german" == "Aufruf: sheafpad [ORDNER | DATEI]"* ]] || fail "German --help: $german"
"${nodisplay[@]}" LC_ALL= LANG=fr_FR.UTF-8 sheafpad --bogus 2>"$scratch/err" && fail "French --bogus"
# (guillemets and no-break spaces, in UTF-8)
grep -qxF "$(printf 'sheafpad: option inconnue \302\253\302\240--bogus\302\240\302\273')" "$scratch/err" ||
    fail "French --bogus: $(cat "$scratch/err")"
english=$("${nodisplay[@]}" LC_ALL=en_GB.UTF-8 sheafpad --help)
[ "$english" = "$help" ] || fail "English --help: $english"
file -b "$usr/bin/Sheafpad" | grep -q ', stripped' || fail "the program is not stripped"
for size in 48 64 128 256; do
    file -b "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" |
        grep -q "PNG image data, $size x $size," || fail "the ${size}px icon has another size"
done

# The menu entry starts the installed program (under /usr by its name, the
# session's PATH has /usr/bin) with a dropped or chosen file, and offers it
# for the web's file types in "Open With".
desktop="$usr/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=Sheafpad %f' "$desktop" || fail "Exec is not the bare program name with %f"
for type in text/html text/css application/javascript text/javascript; do
    grep -q "^MimeType=\(.*;\)\?$type;" "$desktop" || fail "the entry does not offer $type"
done
grep -qx "Icon=$id" "$desktop" || fail "Icon is not the installed icon"
grep -qx 'StartupWMClass=Sheafpad' "$desktop" || fail "the window is not tied to the entry"

metainfo="$usr/share/metainfo/$id.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the catalogue entry does not name the menu entry"
grep -q '<image>https://.*/docs/screenshot.png</image>' "$metainfo" || fail "no screenshot"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "project licence"
grep -q '<metadata_license>FSFAP</metadata_license>' "$metainfo" || fail "metadata licence"
copyright="$usr/share/doc/sheafpad/copyright"
grep -qx 'License: GPL-3+' "$copyright" || fail "copyright licence"
# The grammars built in are MIT-licensed: a stanza each, with its holder as
# its LICENSE has it, and the licence's text once.
if grep -qx 'SHEAFPAD_COLOURS:BOOL=ON' "$build/CMakeCache.txt"; then
    for name in html css javascript; do
        grep -A2 -x "Files: tree-sitter-$name/\*" "$copyright" |
            grep -qx 'Copyright: 20[0-9][0-9] Max Brunsfeld' || fail "no stanza for $name"
    done
    [ "$(grep -cx 'License: Expat' "$copyright")" = 4 ] || fail "Expat licence paragraphs"
    grep -qx ' Permission is hereby granted, free of charge, to any person obtaining a copy' \
        "$copyright" || fail "the MIT licence's text"
fi
zcat "$usr/share/man/man1/Sheafpad.1.gz" | grep -q '^\.TH SHEAFPAD 1' || fail "manual page"

# Removing what the install manifest lists leaves nothing, no link either.
# (The manifest names the paths without DESTDIR; they are removed under it.)
while IFS= read -r path || [ -n "$path" ]; do # (no line break after the last)
    [[ "$path" == /usr/* ]] || fail "the manifest lists $path"
    rm -- "$scratch/root$path" || fail "removing $path"
done < "$build/install_manifest.txt"
left=$(find "$scratch/root" ! -type d)
[ -z "$left" ] || fail "left after removing the manifest's files: $left"

# Installed for one user, as under ~/.local (a folder with a blank in its
# name here): the menu entry names the program by its full path, which
# works without that bin folder on the session's PATH.
prefix="$scratch/my home/.local"
cmake --install "$build" --prefix "$prefix" >/dev/null
desktop="$prefix/share/applications/$id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate under $prefix"
grep -qxF "Exec=\"$prefix/bin/Sheafpad\" %f" "$desktop" || fail "Exec: $(grep ^Exec "$desktop")"
# The line as a desktop starts it (GIO's reading of it), without PATH.
program=$(/usr/bin/python3 -c 'import sys; from gi.repository import Gio, GLib
app = Gio.DesktopAppInfo.new_from_filename(sys.argv[1])
print(GLib.shell_parse_argv(app.get_commandline())[1][0])' "$desktop") ||
    fail "GIO cannot read $desktop"
[ "$(env -i "$program" --version | head -n 1)" = "$(head -n 1 <<<"$version")" ] ||
    fail "the menu entry's program does not start: $program"

# The package: the same files under /usr, owned by root, and dependencies
# computed from the program's libraries.
# Made twice, a second apart, with no SOURCE_DATE_EPOCH: the same bytes, the
# files dated by the last commit.
for pkg in pkg pkg2; do
    env -u SOURCE_DATE_EPOCH cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/$pkg" \
        >/dev/null
    sleep 1
done
debs=("$scratch"/pkg/sheafpad_*_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "no single package: ${debs[*]}"
deb=${debs[0]}
cmp "$deb" "$scratch/pkg2/$(basename "$deb")" || fail "two builds of the package differ"
source_dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")
if commit_time=$(TZ=UTC git -C "$source_dir" log -1 --date=format-local:'%Y-%m-%d %H:%M' \
                 --format=%cd 2>/dev/null); then
    TZ=UTC dpkg-deb -c "$deb" | grep " $commit_time ./usr/bin/Sheafpad$" >/dev/null ||
        fail "the package's files are not dated $commit_time"
fi
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $2, $6 }' | sort > "$scratch/contents"
printf 'root/root ./usr/%s\n' "${expected[@]}" bin/sheafpad share/man/man1/sheafpad.1.gz |
    sort > "$scratch/expected-contents"
diff -u "$scratch/expected-contents" "$scratch/contents" || fail "package contents differ"
[ "$(dpkg-deb -f "$deb" Package)" = sheafpad ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libglib2.0-0; do
    [[ ", $depends," == *", $lib ("* ]] || fail "Depends lacks $lib: $depends"
done

[ "$(dpkg-deb -f "$deb" Recommends)" = "xdg-utils, qt6-translations-l10n, libmimalloc2.0" ] ||
    fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"

lintian --fail-on error,warning "$deb" 2> >(grep -v 'root privileges' >&2) || fail "lintian"
# Built as Debian hardens its programs: fortify, stack protector, relro, bindnow.
hardening=$(lintian --display-info "$deb" 2>/dev/null | grep hardening || true)
[ -z "$hardening" ] || fail "hardening: $hardening"
echo "install tree, entries and package: all right"
