#!/usr/bin/env bash
# What a whole session of the plug-in leaves behind in a host that stays open: runs session-soak (the
# Windows build's, under Wine on Xvfb) for each way a host keeps the DLL, and prints how much each figure
# grew per session after the second (0 everywhere is right; any later leak shows as a number here).
#
# usage: bench/session_growth.sh [SESSIONS]      (after a win64 build: cmake --build --preset win64)
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
sessions=${1:-12}
bin="$root/build/win64/tests"
[ -x "$bin/session-soak.exe" ] || { echo "session_growth: build the win64 preset first" >&2; exit 2; }
windows_path() { local p=$1; echo "Z:${p//\//\\}"; }
artwork=$(windows_path "$root/examples/sample-artwork.png")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The handles column counts what the system's own file pickers keep (Wine's keep one a pick, two a
# session); the pickers column says how many of them that is.
printf '%-10s %12s %12s %12s %10s %14s\n' "dll" "gdi/session" "windows" "handles" "pickers" "private bytes"
for mode in kept reloaded refused; do
    out="$work/$mode.txt"
    mkdir -p "$work/$mode"
    xvfb-run -a -s "-screen 0 1280x1024x24" "$root/cmake/wine-run" "$bin/session-soak.exe" "$artwork" "$sessions" \
        "$mode" "$(windows_path "$work/$mode")" >"$out" 2>&1
    awk -v mode="$mode" '
        $1 == "pickers" { k = $2 }
        $1 == "session" { n++; if (n == 2) { g = $4; w = $6; h = $8; p = $10 } lg = $4; lw = $6; lh = $8; lp = $10 }
        END {
            if (n < 3) { printf "%-10s %s\n", mode, "too few sessions ran"; exit }
            d = n - 2
            printf "%-10s %12.2f %12.2f %12.2f %10d %14.0f\n", mode, (lg - g) / d, (lw - w) / d, (lh - h) / d,
                   mode == "refused" ? 0 : k, (lp - p) / d
        }' "$out"
done
