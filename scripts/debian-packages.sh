#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, when missing.
set -e
PACKAGES="cmake g++ make binutils python3-fonttools fonts-sil-gentiumplus fonts-dejavu-core
qt6-base-dev qt6-svg-dev zlib1g-dev libquazip1-qt6-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev
xvfb xauth xdotool xclip x11-xkb-utils x11-utils openbox desktop-file-utils appstream
sway wtype wl-clipboard grim qt6-wayland clang libclang-rt-14-dev poppler-utils unzip
shared-mime-info libglib2.0-bin at-spi2-core python3-pyatspi gir1.2-atspi-2.0 dbus dbus-x11"
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
