#!/usr/bin/env bash
# The user's documents: their links and pictures exist, docs/ stays small, and the commands they show
# are ones tessera takes (docs.py says how).
#
# usage: docs.sh NATIVE_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python3 "$here/docs.py" "${1:?usage: docs.sh NATIVE_BUILD_DIR}"
