#!/usr/bin/env bash
# Draws the program's icons, button glyphs and the customer logo with ImageMagick.
# The PNG and JPEG files are committed; run this again only to change a picture.
set -euo pipefail
cd "$(dirname "$0")"
IM=/usr/bin/convert
FONTS=/usr/share/fonts/truetype/dejavu

# Reduces a drawing to a 16-colour palette, as the icons are meant.
icon() { "$IM" "$1" -colors 16 "PNG8:$2"; rm -f "$1"; }

# Hammer lying diagonally on a grey raised tile.
"$IM" -size 32x32 xc:none \
  -fill '#C0C0C0' -draw 'rectangle 1,1 30,30' \
  -stroke '#FFFFFF' -draw 'line 1,1 30,1' -draw 'line 1,1 1,30' \
  -stroke '#808080' -draw 'line 2,29 29,29' -draw 'line 29,2 29,29' \
  -stroke '#000000' -draw 'line 1,30 30,30' -draw 'line 30,1 30,30' \
  -stroke '#804000' -strokewidth 3 -draw 'line 7,25 19,13' \
  -stroke '#000000' -strokewidth 1 -fill '#808080' -draw 'polygon 14,10 20,4 27,11 21,17' \
  -fill '#FFFFFF' -stroke none -draw 'line 16,10 20,6' \
  hammer.tmp.png && icon hammer.tmp.png hammer32.png
"$IM" hammer32.png -resize 16x16 -colors 16 PNG8:hammer16.png

# A computer: a monitor standing on a flat desktop case.
"$IM" -size 32x32 xc:none \
  -stroke '#000000' -fill '#C0C0C0' -draw 'rectangle 6,2 25,18' \
  -fill '#000080' -draw 'rectangle 8,4 23,15' \
  -stroke none -fill '#00FFFF' -draw 'rectangle 10,6 14,7' \
  -stroke '#000000' -fill '#808080' -draw 'rectangle 13,19 18,21' \
  -fill '#C0C0C0' -draw 'rectangle 2,22 29,29' \
  -stroke '#808080' -draw 'line 5,25 16,25' \
  -stroke none -fill '#00FF00' -draw 'rectangle 24,25 26,26' \
  computer.tmp.png && icon computer.tmp.png computer32.png
"$IM" computer32.png -resize 16x16 -colors 16 PNG8:computer16.png

# A closed grey padlock.
"$IM" -size 32x32 xc:none \
  -stroke '#808080' -strokewidth 3 -fill none -draw 'ellipse 16,12 7,8 180,360' \
  -draw 'line 9,12 9,14' -draw 'line 23,12 23,14' \
  -stroke '#000000' -strokewidth 1 -fill '#C0C0C0' -draw 'rectangle 5,14 27,29' \
  -stroke '#FFFFFF' -draw 'line 6,15 26,15' \
  -stroke none -fill '#000000' -draw 'circle 16,20 16,22' -draw 'rectangle 15,21 17,26' \
  padlock.tmp.png && icon padlock.tmp.png padlock32.png
"$IM" padlock32.png -resize 16x16 -colors 16 PNG8:padlock16.png

# Button glyphs, 16 x 16.
"$IM" -size 16x16 xc:none \
  -stroke '#000000' -fill '#000080' -draw 'polygon 1,1 13,1 14,2 14,14 1,14' \
  -fill '#C0C0C0' -draw 'rectangle 4,1 11,5' -stroke none -fill '#000080' -draw 'rectangle 9,2 10,4' \
  -stroke '#000000' -fill '#FFFFFF' -draw 'rectangle 3,8 12,14' \
  -stroke '#808080' -draw 'line 4,10 11,10' -draw 'line 4,12 11,12' \
  floppy.tmp.png && icon floppy.tmp.png floppy.png
"$IM" -size 16x16 xc:none \
  -stroke '#800000' -fill '#FF0000' -draw 'circle 7.5,7.5 7.5,0.5' \
  -stroke '#FFFFFF' -strokewidth 2 -draw 'line 5,5 10,10' -draw 'line 10,5 5,10' \
  cancel.tmp.png && icon cancel.tmp.png cancel.png
"$IM" -size 16x16 xc:none \
  -stroke '#000000' -fill '#FFFFFF' -draw 'polygon 2,0 10,0 14,4 14,15 2,15' \
  -fill '#C0C0C0' -draw 'polygon 10,0 10,4 14,4' \
  sheet.tmp.png && icon sheet.tmp.png sheet.png

# The about box's picture: an application window showing a picture and lines of text.
"$IM" -size 32x32 xc:none \
  -stroke '#000000' -fill '#FFFFFF' -draw 'rectangle 1,3 30,28' \
  -stroke none -fill '#000080' -draw 'rectangle 2,4 29,8' \
  -fill '#C0C0C0' -draw 'rectangle 26,5 28,7' \
  -fill '#00FFFF' -draw 'rectangle 4,11 14,20' -fill '#008000' -draw 'polygon 4,20 8,14 11,17 14,13 14,20' \
  -fill '#FFFF00' -draw 'circle 7,13 7,14' \
  -stroke '#808080' -draw 'line 17,12 27,12' -draw 'line 17,15 27,15' -draw 'line 17,18 25,18' \
  -draw 'line 4,23 27,23' -draw 'line 4,26 20,26' \
  appwindow.tmp.png && icon appwindow.tmp.png appwindow32.png

# The customer's logo, 1089 x 317: an invented trading company.
"$IM" -size 1089x317 xc:'#FFFFFF' \
  -fill '#0B3D91' -draw 'rectangle 0,0 1088,60' -draw 'rectangle 0,257 1088,316' \
  -fill '#E8A317' -draw 'polygon 40,100 150,100 95,215' \
  -fill '#0B3D91' -font $FONTS/DejaVuSans-Bold.ttf -pointsize 96 -annotate +190+190 'Beispiel' \
  -fill '#E8A317' -font $FONTS/DejaVuSans.ttf -pointsize 44 -annotate +630+190 'Handels-GmbH' \
  -fill '#FFFFFF' -font $FONTS/DejaVuSans.ttf -pointsize 30 -annotate +40+298 'Waren für jeden Tag - www.example.com' \
  -quality 85 logo.jpg
