#!/usr/bin/env bash
# Pictures every screen of the window application's wizard as a user sees it.
#
# Builds the screenshot tool (the window application driven by a script),
# makes a 64 MiB sample disk image holding photos and documents at sector
# boundaries, and starts the tool under Xvfb on a 1400x900 screen, where the
# window opens at its usual 1280x800 (SCREEN=WIDTHxHEIGHT for another
# screen), on that image and on the built-in sample medium: it walks the
# wizard through a photo
# search, a file search and a video search (the sample medium holds an MP4,
# whose preview is pictured playing), opens the about and the help-and-
# support windows, and saves one PNG per screen.
#
# Needs: xvfb-run (xvfb, xauth) and ImageMagick's convert; openbox for WM=openbox.
# Usage: [SCREEN=1366x768] [WM=openbox] tools/screenshots.sh [output folder]
#        (default folder: docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${BUILD_DIR:-build-gui}
out=$(realpath -m "${1:-docs/screenshots}")

cmake -S . -B "$build" -G Ninja -DOSTREL_BUILD_GUI=ON >/dev/null
cmake --build "$build" -j2 --target ostrel-screenshot-tour ostrel_resources ostrel_sample_image
sample="$build/bin/sample/ostrel-sample.img"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

image="$work/sample-card.img"
truncate -s 64M "$image"
place() { # place FILE SECTOR: writes FILE into the image from that sector on
  dd if="$1" of="$image" bs=512 seek="$2" conv=notrunc status=none
}

# Photos: 24 colourful JPEGs, 256 KiB apart, from sector 2048 on.
for i in $(seq 1 24); do
  convert -seed "$i" -size 480x360 plasma:fractal -blur 0x2 -quality 85 "$work/photo$i.jpg"
  place "$work/photo$i.jpg" $((2048 + (i - 1) * 512))
done
# One picture that cannot be decoded: a JPEG header followed by noise.
{ printf '\xff\xd8\xff\xe0\x00\x10JFIF\x00'; head -c 20000 /dev/urandom; } > "$work/broken.jpg"
place "$work/broken.jpg" 16000

# Documents for the file search, from sector 40000 on.
cat > "$work/report.pdf" <<'PDF'
%PDF-1.4
1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj
2 0 obj << /Type /Pages /Kids [] /Count 0 >> endobj
trailer << /Root 1 0 R >>
%%EOF
PDF
printf '{\\rtf1\\ansi Recovered letter}\n' > "$work/letter.rtf"
printf '<!DOCTYPE html>\n<html><body>Saved page</body></html>\n' > "$work/page.html"
printf '<?xml version="1.0"?>\n<settings/>\n' > "$work/settings.xml"
# The start of a ZIP archive (a local file header) is all the search needs.
{ printf 'PK\003\004\024\000\000\000\010\000'; head -c 4000 /dev/urandom; } > "$work/notes.zip"
sector=40000
for f in report.pdf letter.rtf page.html settings.xml notes.zip report.pdf page.html letter.rtf; do
  place "$work/$f" "$sector"
  sector=$((sector + 2048))
done

mkdir -p "$out"
# WM=openbox (or another window manager) runs one on the screen first, so the
# window opens as it would on a desktop (maximized where it does not fit).
xvfb-run -a -s "-screen 0 ${SCREEN:-1400x900}x24" sh -c '
  if [ -n "$0" ]; then "$0" >/dev/null 2>&1 & sleep 1; fi
  exec "$@"' "${WM:-}" \
  "$build/bin/ostrel-screenshot-tour" --edition removable --sample-medium "$image" --sample-medium "$sample" \
  "$out"
echo "screenshots in $out"
