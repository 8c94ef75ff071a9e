#!/usr/bin/env bash
# Installs what building, running and testing Tabulon need on Debian, and
# nothing when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config clang
    qt6-base-dev libgl-dev fonts-dejavu-core
    libgtest-dev libgmock-dev
    zlib1g-dev libssl-dev libicu-dev
    mdbtools sqlite3 libsqlite3-dev
    libxlsxwriter-dev libreoffice-calc-nogui
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
