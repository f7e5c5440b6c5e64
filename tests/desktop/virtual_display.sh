#!/usr/bin/env bash
# Runs a command in a virtual X display of its own. The server picks a free
# display number itself and names it only once it takes connections, so no
# guess can collide with another display on the machine, whoever started it.
#   virtual_display.sh [XVFB ARGUMENT...] -- COMMAND...
set -euo pipefail
server_arguments=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    server_arguments+=("$1")
    shift
done
if [ $# -lt 2 ]; then
    echo "usage: virtual_display.sh [XVFB ARGUMENT...] -- COMMAND..." >&2
    exit 2
fi
shift
work=$(mktemp -d)
server=
trap 'if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
mkfifo "$work/number"
# -noreset: the server would otherwise reset whenever its last client leaves,
# between two steps of a test.
Xvfb -displayfd 3 -nolisten tcp -noreset "${server_arguments[@]}" 3>"$work/number" 2>"$work/server.log" &
server=$!
number=
read -r -t 60 number <"$work/number" || true
if [ -z "$number" ]; then
    echo "the virtual display did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
fi
status=0
DISPLAY=":$number" "$@" || status=$?
exit "$status"
