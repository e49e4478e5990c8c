#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the sample run
# need. Runs apt-get as root (through sudo when started by a user).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6 qt6-qpa-plugins
  # thumbnails of TIFF/WebP (Qt plugins), HEIC/HEIF/AVIF and camera raws
  qt6-image-formats-plugins libheif-dev libraw-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  util-linux mount e2fsprogs pkexec python3 fonts-dejavu-core xdg-utils
  # test material and end-to-end tests: FAT images, real media files
  dosfstools mtools ffmpeg imagemagick libjpeg-turbo-progs poppler-utils
  # format walker tests: files made by real encoders and archivers
  libimage-exiftool-perl p7zip-full zip unzip xz-utils bzip2 zstd lz4 sqlite3
  python3-olefile flac vorbis-tools opus-tools sox lame gcab libjxr-tools
  keepassxc python3-pykeepass libfile-keepass-perl dcmtk
  # the failing-disk simulator (FUSE) and the map-file check
  fuse3 libfuse3-dev gddrescue
  # window screenshots
  xvfb xauth
)

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
else
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
