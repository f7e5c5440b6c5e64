#!/usr/bin/env bash
# Takes the README's screenshots from the installed program, so that they
# show its installed paths and never a build folder. Needs root, to lay a
# skin beside the installed program and a folder of long paths in /srv for
# a moment.
#   tools/take-screenshots.sh        (after: sudo apt-get install ./build/ferrowax_*.deb)
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
ensure_packages xvfb xauth xdotool imagemagick
program=/usr/bin/ferrowax
[ -x "$program" ] || { echo "install the package first" >&2; exit 1; }
in_display() { QT_QPA_PLATFORM=xcb tests/desktop/virtual_display.sh -screen 0 "$1" -- "${@:2}"; }
work=$(mktemp -d)
trap 'rm -rf "$work" /srv/photos; rm -rf /usr/lib/ferrowax/x' EXIT

in_display 1280x720x24 tests/desktop/sample_search.sh "$program" docs/screenshot.png
QT_SCALE_FACTOR=2 in_display 2400x1000x24 tests/desktop/sample_search.sh "$program" docs/screenshot-2x.png
SCREENSHOT_ONLY=1 QT_SCALE_FACTOR=1.5 in_display 1366x768x24 tests/desktop/sample_search.sh "$program" docs/screenshot-small-screen.png

mkdir -p /usr/lib/ferrowax/x
cp /usr/lib/ferrowax/skins/steel.cjs /usr/lib/ferrowax/x/o.cjs
in_display 1280x720x24 tests/desktop/sample_search.sh "$program" docs/screenshot-skin.png
rm -rf /usr/lib/ferrowax/x

# A picture library whose paths are longer than the list is wide.
for trip in "2024 Summer in the Western Isles/Day 03 - Harris and Lewis" \
    "2025 Autumn walking the Camino Portugues/Stage 07 - Pontevedra to Caldas de Reis" \
    "2026 Spring family visit/Grandparents anniversary dinner at the harbour restaurant"; do
    mkdir -p "/srv/photos/Family archive/$trip"
    for shot in 0101 0102 0103; do
        touch "/srv/photos/Family archive/$trip/IMG_2026$shot.jpg"
    done
done
mkdir -p "$work/config/Kestrune"
printf '[Ferrowax]\nLastFolderDot=/srv/photos\n' > "$work/config/Kestrune/Kestrune.ini"
XDG_CONFIG_HOME="$work/config" in_display 1280x720x24 bash -c '
    set -euo pipefail
    '"$program"' & pid=$!
    trap "kill \$pid 2>/dev/null || true" EXIT
    main=$(xdotool search --sync --onlyvisible --name "^Ferrowax$" | head -1)
    xdotool windowmove "$main" 0 0
    click() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
    click 136 140; xdotool search --sync --onlyvisible --name "^Please select folder:$" >/dev/null
    sleep 0.5; xdotool key Return; sleep 0.5
    click 136 302; sleep 0.5; xdotool type jpg; xdotool key Return; sleep 0.3
    click 268 336; sleep 1; xdotool key Return; sleep 0.5
    import -window "$main" docs/screenshot-long-paths.png'
echo "screenshots taken: docs/screenshot*.png"
