#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing velnor07 need.
# Runs apt-get only when something is missing; needs root (or sudo) for that.
set -euo pipefail

PACKAGES=(
  cmake g++ make pkg-config
  qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev qt6-translations-l10n
  libjpeg62-turbo-dev libarchive-dev libxlsxwriter-dev libzip-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  postgresql python3-openpyxl
  xvfb xauth imagemagick xdotool
  clang libclang-rt-14-dev
)

missing=()
for package in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
