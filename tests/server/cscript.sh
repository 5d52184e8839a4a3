#!/usr/bin/env bash
# Runs a script with Wine's cscript in the prefix given by WINEPREFIX; cscript's exit code
# (WScript.Quit) is this script's.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
exec "$root/scripts/wine-run" cscript //nologo "Z:${script//\//\\}"
