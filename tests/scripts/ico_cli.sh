#!/usr/bin/env bash
# The `tessera ico` command line: what it prints, where, and its exit codes (0 done, 1 failed, 2 usage).
# With a Windows build folder as $2, the console tessera.exe is checked under Wine as well.
#
# usage: ico_cli.sh NATIVE_BUILD_DIR [WIN64_BUILD_DIR]
set -uo pipefail

native=${1:?usage: ico_cli.sh NATIVE_BUILD_DIR [WIN64_BUILD_DIR]}
win=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
seeds="$source_dir/fuzz/corpus/ico_reader"

passed=0
failed=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect NAME EXIT STDOUT_PATTERN STDERR_PATTERN -- COMMAND...: the exit code must match, and each
# stream must hold a line matching its pattern ("" for an empty stream).
expect() {
    local name=$1 code=$2 out=$3 err=$4
    shift 5
    "$@" >"$work/stdout" 2>"$work/stderr"
    local status=$?
    local problem=""
    [ $status -eq "$code" ] || problem="exit $status instead of $code"
    if [ -z "$out" ]; then
        [ -s "$work/stdout" ] && problem+=" unexpected stdout"
    else
        grep -qE -- "$out" "$work/stdout" || problem+=" stdout lacks /$out/"
    fi
    if [ -z "$err" ]; then
        [ -s "$work/stderr" ] && problem+=" unexpected stderr: $(head -c 200 "$work/stderr")"
    else
        grep -qE -- "$err" "$work/stderr" || problem+=" stderr lacks /$err/: $(head -c 200 "$work/stderr")"
    fi
    if [ -z "$problem" ]; then
        echo "PASS $name"
        passed=$((passed + 1))
    else
        echo "FAIL $name ($problem)"
        failed=$((failed + 1))
    fi
}

t="$native/apps/tessera"
printf '\0\0\1' >"$work/short.ico"
mkdir "$work/folder.ico"

expect "no arguments: usage, exit 2" 2 "" "^usage: tessera ico list FILE" -- "$t"
expect "--help: usage on stdout, exit 0" 0 "tessera ico copy IN OUT" "" -- "$t" --help
expect "unknown command: exit 2" 2 "" "unknown command 'frob'" -- "$t" frob
version="^tessera $(sed -n 's/^project(Tessera VERSION \([0-9.]*\) .*/\1/p' "$source_dir/CMakeLists.txt")(-modified)?[[:space:]]*$"
expect "--version: the project's version, exit 0" 0 "$version" "" -- "$t" --version
expect "ico without a subcommand: exit 2" 2 "" "^usage:" -- "$t" ico
expect "ico list without a file: exit 2" 2 "" "^usage:" -- "$t" ico list
expect "ico copy with one file: exit 2" 2 "" "^usage:" -- "$t" ico copy "$seeds/empty.ico"
expect "ico list of a missing file: exit 1" 1 "" "^tessera: cannot open $work/missing.ico$" -- \
    "$t" ico list "$work/missing.ico"
expect "ico list of a cut header: the reader's message, exit 1" 1 "" \
    "^$work/short.ico: Error reading .ICO file header$" -- "$t" ico list "$work/short.ico"
expect "ico list of a 16-pixel icon" 0 "^16x16  4 bpp    296 bytes$" "" -- "$t" ico list "$seeds/single_16x16x4.ico"
expect "ico list of a cursor file marks the image modified" 0 "^24x24  4 bpp    488 bytes modified$" "" -- \
    "$t" ico list "$seeds/cursor_type_24x24x4.ico"
expect "ico list of an empty icon file prints nothing" 0 "" "" -- "$t" ico list "$seeds/empty.ico"
expect "ico copy into a folder: exit 1" 1 "" "^tessera: cannot create $work/folder.ico$" -- \
    "$t" ico copy "$seeds/single_16x16x4.ico" "$work/folder.ico"
expect "ico copy of a cursor file says its hot spots are not kept" 0 "" \
    "^tessera: $seeds/cursor_type_24x24x4.ico is a cursor read as an icon; its hot spots are not kept$" -- \
    "$t" ico copy "$seeds/cursor_type_24x24x4.ico" "$work/copy.ico"
expect "the copy is an icon file that needs no adjustment" 0 "^24x24  4 bpp    488 bytes$" "" -- \
    "$t" ico list "$work/copy.ico"

# Icons as today's tools make them: ImageMagick's with a 256-pixel PNG stream and a 64-pixel image beside
# three grid sizes, icotool's with a raw PNG entry of the grid's own size. `ico list` shows the sizes
# Windows draws as the icon's own and marks what the icon does not hold as kept; `ico copy` keeps every
# image byte for byte (the grid's but biSizeImage), so icotool and ImageMagick list the same images.
same_images() {  # same_images A B: icotool's and ImageMagick's lists of the two files agree
    [ "$(icotool -l "$1" | sed 's/ --index=[0-9]*//' | sort -u)" = \
      "$(icotool -l "$2" | sed 's/ --index=[0-9]*//' | sort -u)" ] &&
        [ "$(identify "$1" | awk '{ print $2, $3, $5 }' | sort -u)" = \
          "$(identify "$2" | awk '{ print $2, $3, $5 }' | sort -u)" ]
}
convert -size 256x256 gradient:orange-navy -alpha set -channel A -fx 'i/w' +channel "PNG32:$work/big.png"
convert "$work/big.png" -define icon:auto-resize=256,64,48,32,16 "$work/magick.ico"
convert -size 32x32 gradient:white-green -alpha set -channel A -fx 'j/h' +channel "PNG32:$work/small.png"
icotool -c -o "$work/raw.ico" "$work/small.png" --raw="$work/small.png"
expect "ico list of ImageMagick's icon: the 256-pixel PNG its own" 0 "^256x256 PNG 32 bpp +[0-9]+ bytes$" "" -- \
    "$t" ico list "$work/magick.ico"
expect "ico list of ImageMagick's icon: the 64-pixel image its own" 0 "^64x64 BMP 32 bpp +[0-9]+ bytes$" "" -- \
    "$t" ico list "$work/magick.ico"
expect "ico list of icotool's icon: a grid-sized PNG kept" 0 "^32x32 PNG 32 bpp +[0-9]+ bytes, kept$" "" -- \
    "$t" ico list "$work/raw.ico"
mkdir "$work/copies"
for made in magick raw; do
    expect "ico copy of the $made icon" 0 "" "" -- "$t" ico copy "$work/$made.ico" "$work/copies/$made.ico"
    expect "the copy of the $made icon holds every image" 0 "" "" -- same_images "$work/$made.ico" "$work/copies/$made.ico"
done
blocks_kept() {  # every copy in $work/copies holds its original's images byte for byte, as ico_blocks.py sees
    local report
    report=$(/usr/bin/python3 "$here/ico_blocks.py" "$work" "$work/copies") &&
        [ "$(printf '%s\n' "$report" | grep -c $'\t$')" = "$(ls "$work/copies" | wc -l)" ]
}
expect "the copies hold every image byte for byte" 0 "" "" -- blocks_kept

# `tessera build --add`: the twelve classic images of the sample artwork, then the 64 and 256 pixel
# images, the icon's own, in ascending size, each of them the pixels of its PNG.
convert "$work/big.png" -resize 64x64 "PNG32:$work/big-64.png"
convert -size 40x20 xc:red "PNG32:$work/wide.png"
classic="48x48x4 32x32x4 24x24x4 16x16x4 48x48x8 32x32x8 24x24x8 16x16x8 48x48x32 32x32x32 24x24x32 16x16x32"
kinds_in_order() {  # kinds_in_order ICO WxHxBITS...: icotool lists the file's entries as these kinds
    [ "$(icotool -l "$1" | sed -E 's/.*--width=([0-9]+) --height=([0-9]+) --bit-depth=([0-9]+).*/\1x\2x\3/' |
         tr '\n' ' ')" = "${*:2} " ]
}
# ImageMagick extracts: icotool 0.32 refuses every entry that follows a PNG one.
same_pixels() {  # same_pixels ICO INDEX PNG: the entry (counted from 0) holds the PNG's pixels
    convert "$1[$2]" "PNG32:$work/extracted.png" &&
        [ "$(compare -metric AE "$3" "$work/extracted.png" null: 2>&1)" = 0 ]
}
every_size=16,20,24,30,32,36,40,48,60,64,72,80,96,256
windows_kinds="20x20x32 30x30x32 36x36x32 40x40x32 60x60x32 64x64x32 72x72x32 80x80x32 96x96x32 256x256x32"
expect "build --help shows a Windows 10 and 11 icon in one command" 0 "--sizes $every_size$" "" -- \
    "$t" build --help
expect "build --add of a 256 and a 64 pixel image" 0 "" "" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/app.ico" --add "$work/big.png" --add "$work/big-64.png"
expect "the built icon lists the classic images, then 64 and 256" 0 "" "" -- \
    kinds_in_order "$work/app.ico" $classic 64x64x32 256x256x32
expect "the 64-pixel entry is the added PNG's pixels" 0 "" "" -- same_pixels "$work/app.ico" 12 "$work/big-64.png"
expect "the 256-pixel entry is the added PNG's pixels" 0 "" "" -- same_pixels "$work/app.ico" 13 "$work/big.png"
expect "build --add of a non-square image: exit 1, nothing written" 1 "" "an icon image must be square" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/none.ico" --add "$work/wide.png"
expect "build --add of a size it builds: exit 1, nothing written" 1 "" "would be a second 64 x 64 image" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/none.ico" --sizes 16,64 --add "$work/big-64.png"
expect "build --sizes with a size Windows does not use: exit 2" 2 "" "^tessera: --sizes takes 16, 20, 24" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/none.ico" --sizes 16,28
[ ! -e "$work/none.ico" ] || { echo "FAIL a refused build left an icon"; failed=$((failed + 1)); }

# Every size Windows draws, built from the layer: the twelve classic images, then the ten Windows sizes
# in ascending size, the 256 one a PNG stream, as Pillow, ImageMagick and icotool read them. Its copy is
# the same bytes. Without --sizes the icon is the twelve classic images in the same 29,926 bytes as
# before the Windows sizes were there, and its copy the same bytes too.
pillow_sides() {  # pillow_sides ICO: the sides Pillow finds, each image decoded at its own size
    /usr/bin/python3 -c '
import sys
from PIL import Image
with Image.open(sys.argv[1]) as icon:
    sides = sorted(side for side, height in icon.info["sizes"] if side == height)
    print(*(side for side in sides if icon.ico.getimage((side, side)).size == (side, side)))' "$1"
}
magick_kinds() {  # magick_kinds ICO: ImageMagick's format and size of each image, in order, on one line
    identify "$1" | awk '{ printf "%s %s ", $2, $3 }'
}
expect "build of every size" 0 "" "" -- "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/every.ico" \
    --sizes "$every_size"
expect "icotool lists the classic images, then the Windows sizes ascending" 0 "" "" -- \
    kinds_in_order "$work/every.ico" $classic $windows_kinds
expect "Pillow reads every size" 0 "^${every_size//,/ }$" "" -- pillow_sides "$work/every.ico"
every_in_magick="^(ICO [0-9]+x[0-9]+ ){12}ICO 20x20 ICO 30x30 ICO 36x36 ICO 40x40 ICO 60x60 ICO 64x64 ICO 72x72 ICO 80x80 ICO 96x96 PNG 256x256 $"
expect "ImageMagick reads 22 images, the 256 one a PNG stream" 0 "$every_in_magick" "" -- magick_kinds "$work/every.ico"
expect "ico copy of every size" 0 "" "" -- "$t" ico copy "$work/every.ico" "$work/every-copy.ico"
expect "the copy of every size is the same bytes" 0 "" "" -- cmp "$work/every.ico" "$work/every-copy.ico"
expect "build without --sizes" 0 "" "" -- "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/twelve.ico"
expect "without --sizes, the twelve classic images" 0 "" "" -- kinds_in_order "$work/twelve.ico" $classic
expect "without --sizes, 29,926 bytes" 0 "^29926$" "" -- stat -c %s "$work/twelve.ico"
expect "ico copy of the twelve" 0 "" "" -- "$t" ico copy "$work/twelve.ico" "$work/twelve-copy.ico"
expect "the copy of the twelve is the same bytes" 0 "" "" -- cmp "$work/twelve.ico" "$work/twelve-copy.ico"

# `tessera ico check`: a line per finding on stdout; exit 1 when a file has an error (or, with --strict,
# a note), 2 on a wrong command line. ImageMagick's icon of every Windows size is what Windows wants.
convert "$work/big.png" -define icon:auto-resize=256,96,80,72,64,60,48,40,36,32,30,24,20,16 "$work/windows.ico"
expect "ico check without a file: exit 2" 2 "" "^usage:" -- "$t" ico check
expect "ico check with an unknown option: exit 2" 2 "" "unknown option --frob" -- "$t" ico check --frob "$work/app.ico"
expect "ico check of an icon of every Windows size says nothing" 0 "" "" -- "$t" ico check "$work/windows.ico"
expect "ico check of the built icon: a note of the sizes Windows scales, exit 0" 0 \
    "^$work/app.ico: file: note: Windows draws these sizes from an image of another size: title bar, menus and notification area 20 \(125%\)" \
    "" -- "$t" ico check "$work/app.ico"
expect "ico check --strict counts the note: exit 1" 1 "note:" "" -- "$t" ico check --strict "$work/app.ico"
expect "ico check of ImageMagick's icon without 24 pixels: exit 1" 1 \
    "^$work/magick.ico: file: error: no image of 24 pixels; add it" "" -- "$t" ico check "$work/magick.ico" "$work/windows.ico"
expect "ico check of a file the reader refuses: its message" 1 \
    "^$work/short.ico: file: error: Error reading .ICO file header; " "" -- "$t" ico check "$work/short.ico"
expect "ico check of a missing file: exit 1" 1 "" "^tessera: cannot open $work/missing.ico$" -- \
    "$t" ico check "$work/windows.ico" "$work/missing.ico"

if [ -n "$win" ]; then
    exe="$(cd "$win" && pwd)/apps/tessera.exe"
    export WINEPREFIX=${WINEPREFIX:-$(cd "$win" && pwd)/tests/wineprefix}
    run_exe() { "$source_dir/cmake/wine-run" "$exe" "$@"; }
    expect "tessera.exe without arguments: usage, exit 2" 2 "" "usage: tessera ico list FILE" -- run_exe
    expect "tessera.exe --version" 0 "$version" "" -- run_exe --version
    expect "tessera.exe ico list" 0 "^16x16  4 bpp    296 bytes" "" -- run_exe ico list "$seeds/single_16x16x4.ico"
    expect "tessera.exe ico list of a cut header: exit 1" 1 "" "Error reading .ICO file header" -- \
        run_exe ico list "$work/short.ico"

    # Any file name: a folder named in Cyrillic, Chinese and an emoji and a file name of the Western code
    # page, beside plain ones. The commands make the same bytes there, and their messages show the path
    # as it is, in UTF-8 when the output goes to a file. The icon is of every size, its 256-pixel PNG
    # stream made by the system's codec, which the other tools must read as they read the native one.
    export LC_ALL=C.UTF-8
    named="$work/Иконки 图标 🎨"
    mkdir -p "$named" "$work/plain"
    cp "$source_dir/examples/sample-artwork.png" "$named/art ü é.png"
    cp "$source_dir/examples/sample-artwork.png" "$work/plain/art.png"
    for folder in "$named" "$work/plain"; do
        art=$(ls "$folder"/*.png)
        expect "tessera.exe build in ${folder##*/}" 0 "" "" -- \
            run_exe build "$art" -o "$folder/icon.ico" --table auto --sizes "$every_size"
        expect "tessera.exe ico copy in ${folder##*/}" 0 "" "" -- run_exe ico copy "$folder/icon.ico" "$folder/copy.ico"
        run_exe ico list "$folder/copy.ico" >"$folder/list.txt" 2>&1
    done
    expect "the icons built in both folders are the same bytes" 0 "" "" -- cmp "$named/icon.ico" "$work/plain/icon.ico"
    expect "Pillow reads every size tessera.exe built" 0 "^${every_size//,/ }$" "" -- pillow_sides "$work/plain/icon.ico"
    expect "ImageMagick reads tessera.exe's 22 images" 0 "$every_in_magick" "" -- magick_kinds "$work/plain/icon.ico"
    expect "the copies in both folders are the same bytes" 0 "" "" -- cmp "$named/copy.ico" "$work/plain/copy.ico"
    expect "ico list says the same in both folders" 0 "" "" -- cmp "$named/list.txt" "$work/plain/list.txt"
    expect "a message names the path intact" 1 "" "^tessera: cannot open $named/missing ü.ico" -- \
        run_exe ico list "$named/missing ü.ico"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
