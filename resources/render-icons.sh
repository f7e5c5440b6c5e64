#!/bin/sh
# Renders the application icon's PNG sizes from its SVG (needs librsvg2-bin).
set -e
cd "$(dirname "$0")"
for size in 48 256; do
    rsvg-convert -w "$size" -h "$size" ferrowax.svg -o "ferrowax-$size.png"
done
