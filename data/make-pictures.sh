#!/usr/bin/env bash
# Draws the built-in logo (logo.gif, 377 x 126) that the main window shows until a station logo
# arrives, and the desktop icon (zenovia.png). Needs ImageMagick; run by hand when the design
# changes.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 377x126 gradient:'#1d2a44'-'#070a12' \
    -fill none -stroke '#4cc9f0' -strokewidth 3 \
    -draw "arc 27,43 67,83 -50,50" \
    -stroke '#3a9cc0' -draw "arc 15,31 79,95 -50,50" \
    -stroke '#2a6f8c' -draw "arc 3,19 91,107 -50,50" \
    -stroke none -fill '#4cc9f0' -draw "circle 40,63 46,63" \
    -font DejaVu-Sans-Bold -pointsize 46 -fill '#f2f6ff' -annotate +110+72 'Zenovia' \
    -font DejaVu-Sans -pointsize 15 -fill '#8fa6c9' -annotate +113+98 'internetes rádió' \
    logo.gif

# The desktop icon: the same radio waves on a rounded dark square.
convert -size 128x128 xc:none \
    -fill '#16213a' -draw "roundrectangle 4,4 123,123 22,22" \
    -fill none -stroke '#4cc9f0' -strokewidth 7 -draw "arc 30,38 82,90 -50,50" \
    -stroke '#3a9cc0' -draw "arc 14,22 98,106 -50,50" \
    -stroke '#2a6f8c' -draw "arc -2,6 114,122 -50,50" \
    -stroke none -fill '#4cc9f0' -draw "circle 56,64 67,64" \
    zenovia.png
