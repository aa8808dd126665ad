#!/usr/bin/env bash
# Real icons nobody here made: every icon group in Wine's shell32.dll, extracted at test time (many hold
# 256-pixel PNG streams and kinds the icon does not hold). For each: `tessera ico list` shows as the
# icon's own the grid kinds and the true-colour Windows sizes `icotool -l` sees and marks the rest kept;
# `tessera ico copy` keeps every image byte for byte (the grid's but biSizeImage); icotool and
# ImageMagick list the same images in the copy as in the original.
# With a Windows build folder as $2, the Windows tessera.exe (under Wine) must write the very same bytes.
#
# usage: real_icons.sh NATIVE_BUILD_DIR [WIN64_BUILD_DIR]
set -uo pipefail

native=${1:?usage: real_icons.sh NATIVE_BUILD_DIR [WIN64_BUILD_DIR]}
win=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
tessera="$native/apps/tessera"
dll=${TESSERA_SHELL32:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll}

passed=0
failed=0
check() {  # check NAME STATUS [DETAIL]
    if [ "$2" = 0 ]; then
        echo "PASS $1"
        passed=$((passed + 1))
    else
        echo "FAIL $1${3:+ ($3)}"
        failed=$((failed + 1))
    fi
}
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}

# "48x48 4" lines, sorted, for the square images of the icon's kinds: 16, 24, 32 and 48 pixels at 4, 8
# or 32 bits per pixel, and the sizes Windows draws above 100% at 32.
icotool_kinds() {
    sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\).*/\1 \2 \3/p' |
        awk '$1 == $2 && ((($1 == 16 || $1 == 24 || $1 == 32 || $1 == 48) && ($3 == 4 || $3 == 8 || $3 == 32)) ||
                          ($3 == 32 && index(" 20 30 36 40 60 64 72 80 96 256 ", " " $1 " "))) {
                 print $1 "x" $1 " " $3 }' | sort -u
}
# The same of `ico list`, whose lines of the Windows sizes name the image's format: "256x256 PNG 32 bpp".
tessera_kinds() {
    awk 'NF && !/, kept$/ { sub(/ (PNG|BMP) /, " "); print $1 " " $2 }' | sort -u
}
# ImageMagick's format, size and depth of each image, as a set.
magick_kinds() {
    awk '{ print $2, $3, $5 }' | sort -u
}
# icotool's lines without the entry's index, which a copy changes: the set of images a file holds.
icotool_images() {
    sed 's/ --index=[0-9]*//' | sort -u
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/out" "$work/win"

wrestool -x -t14 -o "$work/src" "$dll" >/dev/null 2>&1
icons=("$work"/src/*.ico)
[ -e "${icons[0]}" ] || icons=()
check "shell32.dll has icon groups to extract" "$([ ${#icons[@]} -gt 0 ]; echo $?)" "$dll"
[ -x "$tessera" ] || { check "native tessera is built" 1 "$tessera"; finish; }

declare -A copied
for icon in "${icons[@]}"; do
    name=$(basename "$icon")
    out="$work/out/$name"

    expected=$(icotool -l "$icon" 2>/dev/null | icotool_kinds)
    listing=$("$tessera" ico list "$icon" 2>"$work/err")
    status=$?
    listed=$(printf '%s\n' "$listing" | tessera_kinds)
    ok=$([ $status -eq 0 ] && [ "$listed" = "$expected" ]; echo $?)
    check "$name: ico list shows the grid kinds icotool lists" "$ok" \
        "exit $status, got [${listed//$'\n'/, }], icotool [${expected//$'\n'/, }] $(head -c 200 "$work/err")"

    "$tessera" ico copy "$icon" "$out" 2>"$work/err"
    status=$?
    copied[$name]=$status
    [ $status -eq 0 ] || check "$name: ico copy succeeds" 1 "exit $status $(head -c 200 "$work/err")"

    images=$(printf '%s' "$listing" | grep -c .)
    if [ "$images" -eq 0 ]; then
        # icotool refuses a file without images; ours must then be the 6-byte empty icon file.
        ok=$(printf '\0\0\1\0\0\0' | cmp -s - "$out"; echo $?)
        check "$name: no images, so the copy is the empty icon file" "$ok"
    else
        before=$(icotool -l "$icon" 2>/dev/null | icotool_images)
        reread=$(icotool -l "$out" 2>/dev/null)
        status=$?
        ok=$([ $status -eq 0 ] && [ "$(printf '%s\n' "$reread" | icotool_images)" = "$before" ]; echo $?)
        check "$name: icotool lists the same images in the copy" "$ok" "exit $status"
        # A later image of a grid kind replaces an earlier one, so the kinds, not the counts, must agree.
        ok=$([ "$(identify "$icon" 2>/dev/null | magick_kinds)" = "$(identify "$out" 2>/dev/null | magick_kinds)" ]
             echo $?)
        check "$name: ImageMagick reads the same kinds of image in the copy" "$ok"
    fi
done

# One Python start for all the byte comparisons, with Debian's Python, which has Pillow (scripts/setup);
# a comparison that cannot run fails aloud instead of checking nothing.
/usr/bin/python3 "$here/ico_blocks.py" "$work/src" "$work/out" >"$work/blocks" 2>"$work/err"
check "the byte comparisons run" "$?" "$(head -c 300 "$work/err")"
while IFS=$'\t' read -r name problems; do
    [ "${copied[$name]:-1}" -eq 0 ] || continue
    check "$name: ico copy keeps every image byte for byte but biSizeImage" "$([ -z "$problems" ]; echo $?)" \
        "$problems"
done <"$work/blocks"

if [ -n "$win" ]; then
    # One Wine start for all copies: a batch file of tessera.exe calls, with Z: for the root.
    exe="$(cd "$win" && pwd)/apps/tessera.exe"
    if [ -f "$exe" ]; then
        dos() { printf 'Z:%s' "${1//\//\\}"; }
        for icon in "${icons[@]}"; do
            printf '%s ico copy %s %s\r\n' "$(dos "$exe")" "$(dos "$icon")" "$(dos "$work/win/$(basename "$icon")")"
        done >"$work/copy.bat"
        export WINEPREFIX=${WINEPREFIX:-$(cd "$win" && pwd)/tests/wineprefix}
        "$source_dir/cmake/wine-run" cmd /c "$(dos "$work/copy.bat")" >/dev/null 2>&1
        for icon in "${icons[@]}"; do
            name=$(basename "$icon")
            ok=$(cmp -s "$work/out/$name" "$work/win/$name"; echo $?)
            check "$name: tessera.exe under Wine writes the same bytes" "$ok"
        done
    else
        check "Windows tessera.exe is built" 1 "$exe"
    fi
fi

finish
