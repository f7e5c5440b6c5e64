#!/usr/bin/env bash
# Checks the Debian package: the desktop entry and AppStream metadata pass
# their validators, everything lands where it belongs, and the installed
# program runs the sample search. As root it also installs the package with
# apt, runs it from the PATH and removes it again, leaving nothing behind.
#   check_package.sh PACKAGE.deb
set -euo pipefail
deb=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
search="$here/../desktop/sample_search.sh"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
in_display() { QT_QPA_PLATFORM=xcb "$here/../desktop/virtual_display.sh" -screen 0 1280x720x24 -- "$@"; }

# lintian fails on errors; what it warns of is shown.
lintian --fail-on error --suppress-tags binary-has-unneeded-section "$deb"
recommends=$(dpkg-deb -f "$deb" Recommends)
[ "$recommends" = "xdg-utils, qt6-wayland" ] || { echo "the package recommends: $recommends" >&2; exit 1; }
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/ferrowax.desktop"
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/ferrowax.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "the manual page has warnings: $warnings" >&2; exit 1; }
appstreamcli validate --no-net "$root/usr/share/metainfo/example.kestrune.Ferrowax.metainfo.xml"
for file in bin/ferrowax lib/ferrowax/ferrowax lib/ferrowax/HAND-M.CUR lib/ferrowax/skins/steel.cjs \
    lib/ferrowax/Samples/1/sunrise.jpg lib/ferrowax/Samples/2/letter.txt \
    share/icons/hicolor/scalable/apps/ferrowax.svg share/icons/hicolor/48x48/apps/ferrowax.png \
    share/icons/hicolor/256x256/apps/ferrowax.png share/man/man1/ferrowax.1.gz share/doc/ferrowax/copyright \
    share/doc/ferrowax/changelog.Debian.gz share/bash-completion/completions/ferrowax \
    share/zsh/vendor-completions/_ferrowax share/fish/vendor_completions.d/ferrowax.fish; do
    [ -e "$root/usr/$file" ] || { echo "missing from the package: /usr/$file" >&2; exit 1; }
done
[ "$(readlink "$root/usr/bin/ferrowax")" = ../lib/ferrowax/ferrowax ]
in_display "$search" "$root/usr/bin/ferrowax"

if [ "$(id -u)" -ne 0 ]; then
    echo "not root: installing the package with apt is left out"
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
[ -x /usr/bin/ferrowax ]
[ "$(env -u DISPLAY ferrowax --version)" = "ferrowax $(dpkg-deb -f "$deb" Version | cut -d- -f1)" ]
in_display "$search" /usr/bin/ferrowax
# bash-completion loads a command's completion from there on first use.
[ "$(bash -c 'source /usr/share/bash-completion/completions/ferrowax; complete -p ferrowax')" \
    = "complete -F _ferrowax ferrowax" ]
apt-get remove -y -qq --purge ferrowax >/dev/null
for left in /usr/bin/ferrowax /usr/lib/ferrowax /usr/share/applications/ferrowax.desktop \
    /usr/share/metainfo/example.kestrune.Ferrowax.metainfo.xml /usr/share/bash-completion/completions/ferrowax; do
    [ ! -e "$left" ] || { echo "left behind after removal: $left" >&2; exit 1; }
done
echo "package installs, runs the sample search and removes cleanly"
