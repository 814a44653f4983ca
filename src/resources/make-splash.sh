#!/bin/sh
# Draws the splash picture (bitmap 160): 300 x 225 pixels, 24 bits per pixel,
# uncompressed, the form the splash window shows as it stands. Run it from this
# folder after changing the design and commit splash160.bmp with it.
set -eu
out=${1:-splash160.bmp}
# The version as project() in the top CMakeLists.txt gives it.
version=$(sed -n 's/^project(Sorrel VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
convert -size 300x225 gradient:'#8a3b12-#d9a066' \
  -fill '#f6e7c8' -draw 'rectangle 0,150 299,152' \
  -fill '#3c6e2f' -draw 'polygon 40,140 58,92 76,140' -draw 'polygon 62,140 84,70 106,140' \
  -draw 'polygon 92,140 108,104 124,140' \
  -font Liberation-Sans-Bold -pointsize 54 -fill '#2b1204' -annotate +128+122 'Sorrel' \
  -fill '#fff6e0' -annotate +126+120 'Sorrel' \
  -font Liberation-Sans -pointsize 17 -fill '#fff6e0' -annotate +24+184 'Marlow - phone book' \
  -pointsize 12 -annotate +24+208 "version $version" \
  -type TrueColor -compress None BMP3:"$out"
