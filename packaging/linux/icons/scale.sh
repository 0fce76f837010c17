#!/usr/bin/env bash
# The menu icon at the usual sizes, from the main window's hammer: the drawn 16
# and 32 pixel pictures, enlarged by whole multiples without smoothing so
# they stay as crisp as the window's own icon. The PNG files are committed;
# run this again only after the hammer changes.
set -euo pipefail
cd "$(dirname "$0")"
pictures=../../../layouts/pictures
cp "$pictures/hammer16.png" 16.png
cp "$pictures/hammer32.png" 32.png
convert "$pictures/hammer16.png" -filter point -resize 48x48 PNG8:48.png
for size in 64 128 256; do
    convert "$pictures/hammer32.png" -filter point -resize "${size}x${size}" PNG8:"$size.png"
done
