#!/usr/bin/env bash
# Draws the splash picture (1366x768, 24 bits) and the window icon (128x128
# with alpha) that are compiled into the executable. Run it after changing
# the artwork and commit the pictures; the build does not need ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
latin=/usr/share/fonts/truetype/dejavu/DejaVuSans-ExtraLight.ttf
latin_bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
chinese=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc

# An open arc drawn as short lines (stroked arcs and polylines get closed by
# a chord here).
arc() {  # centre-x centre-y radius from-degrees to-degrees
  awk -v cx="$1" -v cy="$2" -v r="$3" -v a="$4" -v b="$5" 'BEGIN {
    k = 3.14159265 / 180
    for (d = a; d < b; d += 2)
      printf "line %.1f,%.1f %.1f,%.1f ", cx + r * cos(d * k), cy + r * sin(d * k), cx + r * cos((d + 2) * k), cy + r * sin((d + 2) * k)
  }'
}

convert -size 1366x768 gradient:'#0f2a3d'-'#0a1520' \
  \( -size 1800x1500 radial-gradient:'#1f6f78'-none -alpha set -channel A -evaluate multiply 0.55 +channel \) \
  -gravity northwest -geometry -500-500 -composite \
  -fill none -stroke '#2f8f8a' -strokewidth 2 -draw 'circle 683,300 683,215' \
  -stroke '#f2b84b' -strokewidth 6 -draw "$(arc 683 300 85 200 320)" \
  -stroke none -fill '#f2b84b' -draw 'circle 683,300 683,288' \
  -fill white -font "$latin" -pointsize 84 -gravity north -annotate +0+420 'Lumetra' \
  -fill '#9fc3c9' -font "$chinese" -pointsize 26 -annotate +0+530 '餐饮收银终端  ·  正在启动…' \
  -fill '#2f8f8a' -draw 'rectangle 583,600 783,603' \
  -fill '#f2b84b' -draw 'rectangle 583,600 663,603' \
  -fill '#5d7f88' -font "$latin" -pointsize 16 -gravity south -annotate +0+28 'Point of sale shell' \
  -alpha off -depth 8 -type TrueColor -define png:color-type=2 -strip splash.png

convert -size 128x128 xc:none \
  -fill '#0f2a3d' -draw 'roundrectangle 4,4 123,123 26,26' \
  -fill none -stroke '#2f8f8a' -strokewidth 4 -draw 'circle 64,64 64,30' \
  -stroke '#f2b84b' -strokewidth 8 -draw "$(arc 64 64 34 200 320)" \
  -stroke none -fill white -font "$latin_bold" -pointsize 40 -gravity center -annotate +0+6 'L' \
  -depth 8 -define png:color-type=6 -strip lumetra.png
