#!/usr/bin/env bash
# Builds the Debian package in a release build of its own, lists it, unpacks it into a
# temporary root and starts the unpacked program offscreen: it must find its manual and its four
# sounds in the unpacked data folder, and a document template in the user's folder before the
# one in the data folder. Its window-less options answer without a display. Validates the desktop
# entry (which offers the program for workbooks) and the AppStream metadata.
#
#   scripts/check-package.sh [build folder]      (default: build-package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-package}

echo "== Debian package: build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRV_BUILD_TESTS=OFF -DBRV_BUILD_BENCH=OFF
cmake --build "$build"
rm -f "$build"/brenvolutaris_*.deb
(cd "$build" && cpack -G DEB)
package=$(ls "$build"/brenvolutaris_*.deb)

echo "== Debian package: contents of $package"
dpkg-deb --info "$package"
dpkg-deb --contents "$package"

root=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$root" "$home"' EXIT
dpkg -x "$package" "$root"

echo "== Desktop entry and AppStream metadata"
desktop-file-validate "$root"/usr/share/applications/de.tempvalorhub.brenvolutaris.desktop
grep -qx 'MimeType=application/vnd.openxmlformats-officedocument.spreadsheetml.sheet;application/vnd.ms-excel;' \
    "$root"/usr/share/applications/de.tempvalorhub.brenvolutaris.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/de.tempvalorhub.brenvolutaris.metainfo.xml
test -f "$root"/usr/share/icons/hicolor/scalable/apps/de.tempvalorhub.brenvolutaris.svg
test -f "$root"/usr/share/brenvolutaris/Beispiel-Wettkampf.xlsx
# contacts timed to the hundredth: the FTDI latency rule and the dialout group's rtprio limit
test -f "$root"/usr/lib/udev/rules.d/60-brenvolutaris-ftdi-latency.rules
grep -qx '/etc/security/limits.d/brenvolutaris.conf' <(dpkg-deb --ctrl-tarfile "$package" | tar -xO ./conffiles)

echo "== The window-less options need no display"
for option in --help --version --data-paths; do
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" QT_QPA_PLATFORM=xcb \
        timeout 60 "$root"/usr/bin/brenvolutaris "$option" >/dev/null
done

echo "== The unpacked program finds its files"
mkdir -p "$home/.local/share/Tempvalorhub"
touch "$root/usr/share/brenvolutaris/Protokollvorlage.docx" "$home/.local/share/Tempvalorhub/Protokollvorlage.docx"
output=$(env HOME="$home" XDG_DATA_HOME= XDG_CONFIG_HOME= QT_QPA_PLATFORM=offscreen \
    timeout 120 "$root"/usr/bin/brenvolutaris --data-paths --ready-and-quit)
echo "$output"
data="$root/usr/share/brenvolutaris/"
expected=(
    "Daten: $data"
    "Handbuch: ${data}handbuch/index.html"
    "Klang: ${data}Audio-Start.wav"
    "Klang: ${data}Audio-Achtung.wav"
    "Klang: ${data}Audio-Fehlstart.wav"
    "Klang: ${data}Audio-Stopp.wav"
    "Vorlage: $home/.local/share/Tempvalorhub/Protokollvorlage.docx"
    "Ausgabe: $home/.local/share/Tempvalorhub/"
    "ready"
)
for line in "${expected[@]}"; do
    if ! grep -qxF -- "$line" <<<"$output"; then
        echo "missing in the program's output: $line" >&2
        exit 1
    fi
done
echo "== Debian package passed"
