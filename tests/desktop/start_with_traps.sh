#!/usr/bin/env bash
# Starts copies of the program in program folders that hold traps a user
# could lay there, and checks that each shows a window within two seconds:
# a pipe in place of the list of hidden names, a pipe in place of the hand
# cursor, a skin too large to read (its report box is the window).
#   start_with_traps.sh PROGRAM
set -euo pipefail
program=$(readlink -f "$1")
work=$(mktemp -d)
pid=
trap 'if [ -n "$pid" ]; then kill -9 "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

start_in() {
    local folder=$1 title=$2
    cp "$program" "$folder/ferrowax"
    local started=$(date +%s%N)
    "$folder/ferrowax" & pid=$!
    if ! timeout 2 xdotool search --sync --onlyvisible --name "$title" >/dev/null 2>&1; then
        echo "$(basename "$folder"): no window named $title within 2 s" >&2
        exit 1
    fi
    echo "$(basename "$folder"): $title shown after $(( ($(date +%s%N) - started) / 1000000 )) ms"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
}

mkdir -p "$work/hidden-list-is-a-pipe/x" "$work/cursor-is-a-pipe" "$work/skin-too-large/x"
printf 'QPushButton { color: black; }\n' > "$work/hidden-list-is-a-pipe/x/o.cjs"
mkfifo "$work/hidden-list-is-a-pipe/x/.hidden"
mkfifo "$work/cursor-is-a-pipe/HAND-M.CUR"
head -c 2097152 /dev/zero | tr '\0' ' ' > "$work/skin-too-large/x/o.cjs"

start_in "$work/hidden-list-is-a-pipe" '^Ferrowax$'
start_in "$work/cursor-is-a-pipe" '^Ferrowax$'
start_in "$work/skin-too-large" '^Application Error$'
