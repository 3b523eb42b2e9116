#!/bin/sh
# Runs one test with settings, data, cache and temporary folders of its own that start empty and
# are removed afterwards, so that no test reads or writes the user's settings or bout journal, or
# another test's, and none leaves a file behind (a board killed by a test leaves its socket in the
# temporary folder).
dir=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-test.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT INT TERM
mkdir "$dir/tmp" || exit 1
# Nor the desktop's session bus: a test that needs one starts its own.
unset DBUS_SESSION_BUS_ADDRESS
TMPDIR="$dir/tmp" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" XDG_CACHE_HOME="$dir/cache" "$@"
