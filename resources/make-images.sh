#!/bin/sh
# Draws the Halvik logo and the VESTRA application icons into images/.
# Needs ImageMagick 6 (convert) and the Liberation Sans Bold font. The results
# are checked in; run this again only to change the artwork.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/images"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

navy='#1b3a5c'
orange='#f26a1b'
font=${VESTRA_LOGO_FONT:-/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf}

# Only the chunks a viewer needs; dates would make every run differ.
png_opts="-define png:exclude-chunks=bKGD,cHRM,date,time,tEXt,zTXt,iTXt -units PixelsPerCentimeter -density 28.35"

# The mark at 640 x 640: a beacon with its antenna sending waves to both sides.
# The waves are arcs around the antenna tip (320,170) of radius 105 and 185,
# 50 and 45 degrees either side of the horizontal.
convert -size 640x640 xc:none \
    -fill "$navy" -draw "roundrectangle 0,0 639,639 120,120" \
    -fill white -draw "roundrectangle 245,290 395,590 44,44" \
    -draw "rectangle 306,170 334,300" \
    -fill "$orange" -draw "circle 320,170 320,136" \
    -fill none -stroke "$orange" -strokewidth 34 \
    -draw "stroke-linecap round path 'M 387.5,89.6 A 105,105 0 0,1 387.5,250.4
                                     M 252.5,250.4 A 105,105 0 0,1 252.5,89.6
                                     M 450.8,39.2 A 185,185 0 0,1 450.8,300.8
                                     M 189.2,300.8 A 185,185 0 0,1 189.2,39.2'" \
    "$work/mark.png"

# shellcheck disable=SC2086
convert "$work/mark.png" -resize 32x32 $png_opts "PNG32:$out/vestra-icon-32.png"
# shellcheck disable=SC2086
convert "$work/mark.png" -resize 256x256 $png_opts "PNG32:$out/vestra-icon-256.png"
convert "$out/vestra-icon-32.png" "$out/vestra.ico"

# The word mark, 476 x 177 as the report header expects it.
convert "$work/mark.png" -resize 150x150 "$work/mark150.png"
# shellcheck disable=SC2086
convert -size 476x177 xc:none \
    "$work/mark150.png" -geometry +8+13 -composite \
    -font "$font" -pointsize 96 -fill "$navy" -annotate +180+116 'Halvik' \
    -fill "$orange" -draw "rectangle 183,132 457,142" \
    $png_opts "PNG32:$out/Halvik_logo.png"
