#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config clang-format libgtest-dev libgmock-dev libbenchmark-dev libgif-dev libpng-dev
  # Conversion, import and export: zip and jisp archives, palettes, JPEG, WebP, theme XML.
  libarchive-dev libimagequant-dev libjpeg-dev libwebp-dev libexpat1-dev
  # The import benchmark's baseline (a plain unzip of the same archive).
  unzip
  # The windows: Qt 6 Widgets, SVG (our artwork) and its translations (its dialogs in the desktop's
  # language), libxcb (is a compositing manager running?),
  # and the fonts the designs name.
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libgl-dev libxcb1-dev fonts-wine fonts-liberation2 fonts-dejavu-core
  # Tests and screenshots that need a real X server, a compositing manager and a window
  # manager (where windows are placed).
  xvfb xauth xcompmgr openbox x11-utils imagemagick xdotool)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null; then
  echo "Missing packages: ${missing[*]}; install them with your package manager." >&2
  exit 1
fi
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
