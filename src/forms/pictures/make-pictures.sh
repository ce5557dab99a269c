#!/usr/bin/env bash
# Draws the program's toolbar pictures (32 x 32 icons with transparency) with ImageMagick.
# The .ico files are committed; run this again only to change them.
set -euo pipefail
cd "$(dirname "$0")"
C=/usr/bin/convert
draw() {  # name, then ImageMagick drawing arguments on a 128 x 128 canvas
  local name=$1
  shift
  "$C" -size 128x128 xc:none "$@" -resize 32x32 "/tmp/kw-$name.png"
  "$C" "/tmp/kw-$name.png" "$name.ico"
}

# 0 delete: a red cross
draw delete -stroke '#B01818' -strokewidth 22 -draw 'stroke-linecap round stroke-linejoin round line 30,30 98,98' -draw 'stroke-linecap round stroke-linejoin round line 98,30 30,98'
# 1 disable: an unticked box with a grey bar
draw disable -fill '#F4F4F4' -stroke '#404060' -strokewidth 7 -draw 'roundrectangle 16,16 112,112 12,12' \
  -stroke '#909090' -strokewidth 14 -draw 'stroke-linecap round stroke-linejoin round line 40,64 88,64'
# 2 enable: a ticked box
draw enable -fill '#F4F4F4' -stroke '#404060' -strokewidth 7 -draw 'roundrectangle 16,16 112,112 12,12' \
  -fill none -stroke '#1E9A2C' -strokewidth 16 -draw 'stroke-linecap round stroke-linejoin round polyline 34,66 56,88 96,38'
# 3 about: an "i" on a blue disc
draw about -fill '#2D6CC0' -stroke '#1B3F73' -strokewidth 6 -draw 'circle 64,64 64,8' -fill white -stroke none -draw 'circle 64,36 64,26' \
  -draw 'roundrectangle 55,52 73,104 6,6'
# 4 help: a "?" on a blue disc
draw help -fill '#2D6CC0' -stroke '#1B3F73' -strokewidth 6 -draw 'circle 64,64 64,8' -fill white -stroke none -font DejaVu-Sans-Bold -pointsize 86 \
  -gravity center -annotate +0+4 '?'
# 5 refresh: a green circular arrow
draw refresh -fill none -stroke '#1E9A2C' -strokewidth 16 -draw 'ellipse 64,64 40,40 50,320' \
  -fill '#1E9A2C' -stroke none -draw 'polygon 78,6 122,30 84,52'
# 6 properties: a page with lines
draw properties -fill white -stroke '#404060' -strokewidth 6 -draw 'polygon 26,10 82,10 104,32 104,118 26,118' \
  -stroke '#2D6CC0' -strokewidth 7 -draw 'stroke-linecap round stroke-linejoin round line 40,48 90,48' -draw 'stroke-linecap round stroke-linejoin round line 40,66 90,66' -draw 'stroke-linecap round stroke-linejoin round line 40,84 90,84' \
  -draw 'stroke-linecap round stroke-linejoin round line 40,102 74,102'
# 7 add: a green plus
draw add -stroke '#1E9A2C' -strokewidth 26 -draw 'stroke-linecap round stroke-linejoin round line 64,20 64,108' -draw 'stroke-linecap round stroke-linejoin round line 20,64 108,64'
# 8 internet: a globe
draw internet -fill '#3C8FD8' -stroke '#1B3F73' -strokewidth 6 -draw 'circle 64,64 64,8' -fill none -stroke white -strokewidth 5 \
  -draw 'ellipse 64,64 24,56 0,360' -draw 'stroke-linecap round stroke-linejoin round line 8,64 120,64' -draw 'stroke-linecap round stroke-linejoin round line 64,8 64,120' \
  -draw 'ellipse 64,40 46,10 180,360' -draw 'ellipse 64,88 46,10 0,180'
# List marks, drawn over a program's icon (overlays): each in one corner only.
# not verified (unsigned, or no file): an amber triangle with "!"
draw unverified -fill '#F2B705' -stroke '#7A5A00' -strokewidth 5 -draw 'stroke-linejoin round polygon 90,58 124,122 56,122' \
  -stroke '#3A2A00' -strokewidth 9 -draw 'stroke-linecap round line 90,78 90,101' -fill '#3A2A00' -stroke none -draw 'circle 90,113 90,108'
# bad signature (changed after signing, or a signer Windows does not trust): a red disc with a white cross
draw badsignature -fill '#D01C1C' -stroke '#6E0A0A' -strokewidth 5 -draw 'circle 92,92 92,60' \
  -stroke white -strokewidth 10 -draw 'stroke-linecap round line 79,79 105,105' -draw 'stroke-linecap round line 105,79 79,105'
# came back after being switched off (the upper left corner): a blue disc with a white
# arrow turning back on itself
draw cameback -fill '#1F6FD0' -stroke '#0B3A75' -strokewidth 5 -draw 'circle 36,36 36,4' \
  -fill none -stroke white -strokewidth 8 -draw 'ellipse 36,36 16,16 -60,205' \
  -fill white -stroke none -draw 'polygon 25,12 31,34 10,24'
echo "pictures written"
