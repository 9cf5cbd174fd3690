#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs every Debian 12 package Korvane needs to build, run and test.
# This file is the one list of packages: add new ones here.
# Idempotent: only missing packages are installed.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config ccache clang libfuzzer-14-dev clang-format
  # Qt 6.4 and QCoro
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-websockets-dev qt6-multimedia-dev qt6-speech-dev qt6-svg-dev qcoro-qt6-dev
  qt6-qpa-plugins libgl-dev
  qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
  qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtquick-dialogs
  qml6-module-qtquick-shapes qml6-module-qttest qml6-module-qtcore
  qt6-speech-speechd-plugin
  # platform backends
  libsoxr-dev libatspi2.0-dev libx11-dev libxtst-dev libxres-dev libxcb1-dev libtag1-dev
  libpocketsphinx-dev pocketsphinx-en-us libdbus-1-dev
  # run time (qt6-wayland: Korvane's own window on Wayland desktops)
  xdg-utils desktop-file-utils python3 python3-venv hicolor-icon-theme fonts-dejavu-core
  bubblewrap util-linux qt6-wayland
  python3-pip python3-pandas python3-openpyxl python3-matplotlib python3-xlsxwriter
  # packaging: the .deb and its checks (dpkg-shlibdeps comes with build-essential)
  appstream
  # test-time services
  xvfb openbox x11-utils zenity at-spi2-core dbus dbus-x11 chromium firefox-esr mpv mpv-mpris
  vlc-bin vlc-plugin-base
  pulseaudio pulseaudio-utils espeak-ng sox speech-dispatcher speech-dispatcher-espeak-ng
  # test-time Wayland desktops: GNOME's and KDE's compositors and portals (the KDE portal
  # needs Qt 5's Wayland platform), PipeWire for screen-cast streams, a GTK probe window
  mutter kwin-wayland xdg-desktop-portal xdg-desktop-portal-gnome xdg-desktop-portal-kde
  qtwayland5 pipewire pipewire-bin python3-gi gir1.2-gtk-3.0
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  echo "All ${#packages[@]} packages are installed."
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

echo "Installing ${#missing[@]} missing packages: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
