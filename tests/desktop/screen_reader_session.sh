#!/usr/bin/env bash
# Runs a command in a private D-Bus session that carries the accessibility
# bus, as a desktop does for its screen reader. Meant to run inside
# dbus-run-session.
#   screen_reader_session.sh COMMAND...
set -euo pipefail
/usr/libexec/at-spi-bus-launcher --launch-immediately & launcher=$!
trap 'kill "$launcher" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1 && break
    sleep 0.1
done
"$@"
