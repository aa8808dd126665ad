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

if [ -n "$win" ]; then
    exe="$(cd "$win" && pwd)/apps/tessera.exe"
    export WINEPREFIX=${WINEPREFIX:-$(cd "$win" && pwd)/tests/wineprefix}
    run_exe() { "$source_dir/cmake/wine-run" "$exe" "$@"; }
    expect "tessera.exe without arguments: usage, exit 2" 2 "" "usage: tessera ico list FILE" -- run_exe
    expect "tessera.exe ico list" 0 "^16x16  4 bpp    296 bytes" "" -- run_exe ico list "$seeds/single_16x16x4.ico"
    expect "tessera.exe ico list of a cut header: exit 1" 1 "" "Error reading .ICO file header" -- \
        run_exe ico list "$work/short.ico"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
