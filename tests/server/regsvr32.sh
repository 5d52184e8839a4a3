#!/usr/bin/env bash
# Registers a DLL in the build tree's prefix with Wine's own regsvr32, silently; its exit
# status is regsvr32's (0 when DllRegisterServer succeeded). /u unregisters.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
dll=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
# Wine's drive Z: is the Unix root.
exec "$root/scripts/wine-run" regsvr32 /s "$@" "Z:${dll//\//\\}"
