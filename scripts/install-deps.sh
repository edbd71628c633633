#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the program need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6printsupport6
    # the printouts ask for Courier New, Times New Roman and Arial; fontconfig maps them to these
    fonts-liberation2
    qt6-multimedia-dev libqt6multimedia6 qt6-svg-dev qt6-image-formats-plugins
    libgl-dev
    libxlsxwriter-dev libfreexl-dev libzip-dev zlib1g-dev libsqlite3-dev
    python3 python3-openpyxl python3-docx
    # the manual (Markdown into HTML); the Debian package and the checks of its files
    python3-markdown dpkg-dev file desktop-file-utils appstream
    # the live results on the local network: web server, WebSockets, the address as a QR code
    qt6-httpserver-dev qt6-websockets-dev libqrencode-dev
    # the screenshots of the web page and the live page, and the browser test
    chromium
    # a real office program opens the workbook and the Word document (the export checks), and the
    # document's PDF is read and rendered
    libreoffice-calc-nogui libreoffice-writer-nogui poppler-utils
    locales qt6-translations-l10n
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The users run German systems, and the tests run under the German locale too.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
