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
expect "ico copy of a cursor file" 0 "" "" -- "$t" ico copy "$seeds/cursor_type_24x24x4.ico" "$work/copy.ico"
expect "the copy is an icon file that needs no adjustment" 0 "^24x24  4 bpp    488 bytes$" "" -- \
    "$t" ico list "$work/copy.ico"

# Icons as today's tools make them: ImageMagick's with a 256-pixel PNG stream and a 64-pixel image beside
# three grid sizes, icotool's with a raw PNG entry of the grid's own size. `ico list` marks what the grid
# does not show as kept; `ico copy` keeps every image, so icotool and ImageMagick list the same images.
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
expect "ico list of ImageMagick's icon: the 256-pixel PNG kept" 0 "^256x256 PNG 32 bpp +[0-9]+ bytes, kept$" "" -- \
    "$t" ico list "$work/magick.ico"
expect "ico list of ImageMagick's icon: the 64-pixel image kept" 0 "^64x64 BMP 32 bpp +[0-9]+ bytes, kept$" "" -- \
    "$t" ico list "$work/magick.ico"
expect "ico list of icotool's icon: a grid-sized PNG kept" 0 "^32x32 PNG 32 bpp +[0-9]+ bytes, kept$" "" -- \
    "$t" ico list "$work/raw.ico"
for made in magick raw; do
    expect "ico copy of the $made icon" 0 "" "" -- "$t" ico copy "$work/$made.ico" "$work/$made-copy.ico"
    expect "the copy of the $made icon holds every image" 0 "" "" -- same_images "$work/$made.ico" "$work/$made-copy.ico"
done

# `tessera build --add`: the twelve classic images of the sample artwork, then the 256 and 64 pixel
# images in the order given, each of them the pixels of its PNG.
convert "$work/big.png" -resize 64x64 "PNG32:$work/big-64.png"
convert -size 40x20 xc:red "PNG32:$work/wide.png"
widths_in_order() {  # widths_in_order ICO WIDTH...: icotool lists the file's entries with these widths
    [ "$(icotool -l "$1" | sed -E 's/.*--width=([0-9]+).*/\1/' | tr '\n' ' ')" = "${*:2} " ]
}
# ImageMagick extracts: icotool 0.32 refuses every entry that follows a PNG one.
same_pixels() {  # same_pixels ICO INDEX PNG: the entry (counted from 0) holds the PNG's pixels
    convert "$1[$2]" "PNG32:$work/extracted.png" &&
        [ "$(compare -metric AE "$3" "$work/extracted.png" null: 2>&1)" = 0 ]
}
expect "build --help shows a Windows 10 and 11 icon in one command" 0 "--add art-256.png --add art-64.png" "" -- \
    "$t" build --help
expect "build --add of a 256 and a 64 pixel image" 0 "" "" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/app.ico" --add "$work/big.png" --add "$work/big-64.png"
expect "the built icon lists the classic images, then 256 and 64" 0 "" "" -- \
    widths_in_order "$work/app.ico" 48 32 24 16 48 32 24 16 48 32 24 16 256 64
expect "the 256-pixel entry is the added PNG's pixels" 0 "" "" -- same_pixels "$work/app.ico" 12 "$work/big.png"
expect "the 64-pixel entry is the added PNG's pixels" 0 "" "" -- same_pixels "$work/app.ico" 13 "$work/big-64.png"
expect "build --add of a non-square image: exit 1, nothing written" 1 "" "an icon image must be square" -- \
    "$t" build "$source_dir/examples/sample-artwork.png" -o "$work/none.ico" --add "$work/wide.png"
[ ! -e "$work/none.ico" ] || { echo "FAIL a refused build left an icon"; failed=$((failed + 1)); }

# `tessera ico check`: a line per finding on stdout; exit 1 when a file has an error (or, with --strict,
# a note), 2 on a wrong command line. ImageMagick's icon of every Windows size is what Windows wants.
convert "$work/big.png" -define icon:auto-resize=256,96,80,72,64,60,48,40,36,32,30,24,20,16 "$work/windows.ico"
expect "ico check without a file: exit 2" 2 "" "^usage:" -- "$t" ico check
expect "ico check with an unknown option: exit 2" 2 "" "unknown option --frob" -- "$t" ico check --frob "$work/app.ico"
expect "ico check of an icon of every Windows size says nothing" 0 "" "" -- "$t" ico check "$work/windows.ico"
expect "ico check of the built icon: a note of the sizes Windows scales, exit 0" 0 \
    "^$work/app.ico: file: note: Windows draws these sizes from an image of another size: title bar and menus 20 \(125%\)" \
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
    expect "tessera.exe ico list" 0 "^16x16  4 bpp    296 bytes" "" -- run_exe ico list "$seeds/single_16x16x4.ico"
    expect "tessera.exe ico list of a cut header: exit 1" 1 "" "Error reading .ICO file header" -- \
        run_exe ico list "$work/short.ico"

    # Any file name: a folder named in Cyrillic, Chinese and an emoji and a file name of the Western code
    # page, beside plain ones. The commands make the same bytes there, and their messages show the path
    # as it is, in UTF-8 when the output goes to a file.
    export LC_ALL=C.UTF-8
    named="$work/Иконки 图标 🎨"
    mkdir -p "$named" "$work/plain"
    cp "$source_dir/examples/sample-artwork.png" "$named/art ü é.png"
    cp "$source_dir/examples/sample-artwork.png" "$work/plain/art.png"
    for folder in "$named" "$work/plain"; do
        art=$(ls "$folder"/*.png)
        expect "tessera.exe build in ${folder##*/}" 0 "" "" -- run_exe build "$art" -o "$folder/icon.ico" --table auto
        expect "tessera.exe ico copy in ${folder##*/}" 0 "" "" -- run_exe ico copy "$folder/icon.ico" "$folder/copy.ico"
        run_exe ico list "$folder/copy.ico" >"$folder/list.txt" 2>&1
    done
    expect "the icons built in both folders are the same bytes" 0 "" "" -- cmp "$named/icon.ico" "$work/plain/icon.ico"
    expect "the copies in both folders are the same bytes" 0 "" "" -- cmp "$named/copy.ico" "$work/plain/copy.ico"
    expect "ico list says the same in both folders" 0 "" "" -- cmp "$named/list.txt" "$work/plain/list.txt"
    expect "a message names the path intact" 1 "" "^tessera: cannot open $named/missing ü.ico" -- \
        run_exe ico list "$named/missing ü.ico"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
