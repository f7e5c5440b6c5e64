#!/usr/bin/env bash
# Drives the real program in a virtual X display the way a user would: load
# the samples, search, copy the results to the X clipboard and save them as a
# text file. Both must hold one CR LF line per sample match, the same as
# --list prints.
#   sample_search.sh PROGRAM [SCREENSHOT]
set -euo pipefail
program=$1
screenshot=${2:-}
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }
# The limits are generous: only a hang should run into them on a loaded machine.
# Waits until `count` visible windows carry the title.
wait_for() {
    local title=$1 count=$2
    for _ in $(seq 1200); do
        [ "$(windows "$title")" -eq "$count" ] && return 0
        sleep 0.05
    done
    echo "timed out waiting for $count window(s) named $title after: $step" >&2
    exit 1
}
# Waits until a window carrying the title, other than the main one, is shown,
# and gives it the keyboard as a window manager gives a new box the keyboard:
# without one, the program's own request for it can lose to an earlier one.
# A key sent before the box has the keyboard may reach the window beneath.
wait_for_keyboard_in() {
    local title=$1 box=
    for _ in $(seq 1200); do
        box=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | grep -vx "$main" | head -n 1 || true)
        [ -n "$box" ] && break
        sleep 0.05
    done
    if [ -z "$box" ]; then
        echo "timed out waiting for a window named $title to be shown after: $step" >&2
        xdotool getwindowgeometry "$main" >&2 || true
        exit 1
    fi
    for _ in $(seq 1200); do
        [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$box" ] && return 0
        xdotool windowfocus "$box" 2>/dev/null || true
        sleep 0.05
    done
    echo "timed out waiting for the window named $title to have the keyboard after: $step; it is with $(xdotool getwindowfocus 2>&1 || true)" >&2
    exit 1
}
# Presses a key in the box that the last click opened, and waits until it is gone.
answer() {
    wait_for_keyboard_in '^Ferrowax$'
    step="the key $1 in the box"
    xdotool key "$1"
    wait_for '^Ferrowax$' 1
}
# Positions in the window's own pixels, at the scale it is shown.
scale=${QT_SCALE_FACTOR:-1}
scaled() { awk -v at="$1" -v scale="$scale" 'BEGIN { printf "%d", at * scale }'; }
# What the test did last, for the message of a wait that runs out.
step=start
click() {
    step="the click at $1,$2 ($3)"
    xdotool mousemove --window "$main" "$(scaled "$1")" "$(scaled "$2")" click 1
}

"$program" & pid=$!
wait_for '^Ferrowax$' 1
main=$(xdotool search --onlyvisible --name '^Ferrowax$')
xdotool windowmove "$main" 0 0

click 400 173 "Load Sample/Example Folder"
answer Escape                  # "No" to opening the folder
click 268 336 "Start Searching"
answer Return                  # "Done."
if [ -n "$screenshot" ]; then import -window "$main" "$screenshot"; fi
# Where the window scrolls, the buttons further right lie beyond these clicks.
if [ -n "${SCREENSHOT_ONLY:-}" ]; then exit 0; fi

click 928 336 "Copy Results To Clipboard"
answer Return
xclip -selection clipboard -o > "$work/clipboard.txt"

click 664 302 "Save Results As Text File"
wait_for_keyboard_in '^Save$'
step="the name typed into the Save dialog"
xdotool type --delay 5 "$work/saved"
# The name's completions may show a list of their own, which would take the
# Return: it is pressed once the window and the dialog are alone again.
for _ in $(seq 1200); do
    [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -le 2 ] && break
    sleep 0.05
done
step="Return in the Save dialog"
xdotool key Return
answer Return                  # "Done."

samples=$(dirname "$(readlink -f "$program")")/Samples
printf '%s\r\n' "$samples/1/harbour.jpg" "$samples/1/README.txt" "$samples/1/shopping-list.txt" \
    "$samples/1/sunrise.jpg" "$samples/1/trip/forest.jpg" "$samples/1/trip/journal.txt" \
    "$samples/2/letter.txt" "$samples/2/mountain.jpg" "$samples/2/Recipe.txt" > "$work/expected.txt"
cmp "$work/expected.txt" "$work/clipboard.txt"
cmp "$work/expected.txt" "$work/saved"
# The same walk from the command line, without a window.
env -u DISPLAY "$program" --list --folder "$samples/1" --folder "$samples/2" --ext jpg --ext txt \
    | sed 's/$/\r/' > "$work/listed.txt"
cmp "$work/saved" "$work/listed.txt"
echo "clipboard, saved file and --list hold the $(wc -l < "$work/expected.txt") sample matches"
