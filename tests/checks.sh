# Sourced by the tests that run our programs from a shell script: a work folder removed however the
# script ends, and failures counted rather than stopping at the first, so one run names them all.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
contains() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }
# The last line of a script: what passed when nothing failed, and the exit status ctest reads.
finish() { [ "$failures" -eq 0 ] && echo "$1"; exit $((failures > 0)); }
