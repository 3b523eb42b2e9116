#!/bin/sh
# Runs one test with a settings folder of its own that starts empty and is removed afterwards,
# so that no test reads or writes the user's settings or another test's.
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-test.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
XDG_CONFIG_HOME="$dir/config" "$@"
