# Installs the Debian packages a script needs, or says which are missing.
# Sourced by run.sh and test.sh.

BUILD_PACKAGES=(g++ cmake ninja-build pkg-config qt6-base-dev libxlsxwriter-dev fonts-liberation2)
# LibreOffice reads the exported workbooks back, unzip their sheets; the
# accessibility bus and its Python client read the window as a screen reader
# does, python3-xlib closes it as a window manager would; FUSE serves folders
# that stall or fail on cue; the rest builds and checks the Debian package and its manual page.
TEST_PACKAGES=(libgtest-dev xvfb xauth xdotool xclip libreoffice-calc-nogui unzip
    dbus-daemon dbus-bin at-spi2-core python3-pyatspi python3-xlib fuse3 python3-fusepy
    dpkg-dev file desktop-file-utils appstream lintian man-db)

# The benchmarks measure the search against find, bfs and fd.
BENCH_PACKAGES=(bfs fd-find findutils)

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Ferrowax needs these packages: ${missing[*]}" >&2
        echo "Install them with:  sudo apt-get install ${missing[*]}" >&2
        exit 1
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
