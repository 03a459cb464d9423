#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need, then builds the patched
# FreeXL (scripts/linux/freexl.sh). Skips apt when all of them are present already and FreeXL when
# its build is current, so repeated runs cost nothing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-translations-l10n
    mdbtools mdbtools-dev libglib2.0-dev libminizip-dev
    googletest libgtest-dev libgmock-dev
    xvfb xauth xdotool x11-utils imagemagick desktop-file-utils
    fonts-wqy-microhei poppler-utils
    debootstrap file
    unicode-data bzip2
    libcpp-httplib-dev libqrencode-dev zbar-tools chromium chromium-driver
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
"$(dirname "$0")/linux/freexl.sh"
