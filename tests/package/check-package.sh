#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from an already built tree and inspects it: contents, dependencies,
# the desktop entry and AppStream data, the manual pages and the completion. Then installs the
# tree into a staging prefix and starts the installed programs from there, away from the build.
# Usage: check-package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The package, from the tree as it is built.
cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb=$work/out/korvane_${version}_amd64.deb
[[ -f $deb ]] || { ls "$work/out"; echo "FAIL: no $deb"; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/korvane ./usr/bin/korvane-cli ./usr/libexec/korvane/korvane-browser-host \
  ./usr/share/applications/com.korva.Korvane.desktop \
  ./usr/share/icons/hicolor/scalable/apps/com.korva.Korvane.svg \
  ./usr/share/dbus-1/services/com.korva.Korvane.service \
  ./usr/share/metainfo/com.korva.Korvane.metainfo.xml ./usr/share/doc/korvane/copyright \
  ./usr/share/man/man1/korvane.1.gz ./usr/share/man/man1/korvane-cli.1.gz \
  ./usr/share/bash-completion/completions/korvane-cli; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
# Nothing of the build tree or the tests rides along.
unexpected=$(grep -vE '^\./usr/(bin/(korvane(-cli)?)?|libexec/(korvane/(korvane-browser-host)?)?|share/.*)?/?$|^\./$' \
  <<<"$contents" || true)
[[ -z $unexpected ]] || fail "unexpected files: $unexpected"

[[ $(dpkg-deb -f "$deb" Package) == korvane ]] || fail "package name"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version"
[[ $(dpkg-deb -f "$deb" Architecture) == amd64 ]] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
# Libraries found by dpkg-shlibdeps, and the programs and data Korvane calls at run time.
for need in libqt6core6 libqt6quick6 libqt6multimedia6 libpocketsphinx3 libatspi2.0-0 \
  qml6-module-qtquick-controls qt6-wayland pocketsphinx-en-us speech-dispatcher \
  at-spi2-core xdg-desktop-portal python3-venv python3-pandas python3-openpyxl \
  python3-matplotlib bubblewrap; do
  grep -qE "(^|, )$need( |,|$)" <<<"$depends" || fail "Depends lacks $need: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/com.korva.Korvane.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.korva.Korvane.metainfo.xml" ||
  fail "appstreamcli validate"
grep -qx 'Exec=/usr/bin/korvane --background' \
  "$root/usr/share/dbus-1/services/com.korva.Korvane.service" || fail "D-Bus service Exec"
for page in korvane korvane-cli; do
  gzip -t "$root/usr/share/man/man1/$page.1.gz" || fail "$page.1.gz is not gzip"
done
manual=$(zcat "$root/usr/share/man/man1/korvane-cli.1.gz")
for section in '^\.TH KORVANE\\-CLI 1' '^\.SS "ask ' '^\.SS "help ' '^\.SH ENVIRONMENT' \
  '^\.B OPENAI_API_KEY'; do
  grep -q "$section" <<<"$manual" || fail "korvane-cli.1 lacks $section"
done
# The completion offers the verbs, and the options of the verb typed.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _korvane_cli
           printf "%s\n" "${COMPREPLY[@]}"' _ \
    "$root/usr/share/bash-completion/completions/korvane-cli" "$@"
}
[[ $(complete_words korvane-cli he) == help ]] || fail "completion of 'he'"
grep -qx -- --timeout <<<"$(complete_words korvane-cli ask --t)" || fail "completion of ask --t"

# Installed into a prefix of its own, the programs run without the build tree.
stage=$work/stage/usr
cmake --install "$build" --prefix "$stage" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; fail "cmake --install"; }
[[ $("$stage/bin/korvane-cli" --version) == "korvane-cli $version" ]] || fail "korvane-cli --version"
[[ $("$stage/bin/korvane" --version) == "korvane $version" ]] || fail "korvane --version"
"$stage/bin/korvane-cli" help ask | grep -q -- '--timeout SECONDS' || fail "korvane-cli help ask"
# The browser helper runs from the install, where the installed programs look for it.
usage=$("$stage/libexec/korvane/korvane-browser-host" 2>&1 || true)
grep -q '^usage: korvane-browser-host' <<<"$usage" || fail "the installed browser helper: $usage"

# A headless window: its QML loads and draws a frame, with no session bus, no sound server
# and a home of its own.
home=$work/home
mkdir -p "$home"
env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=offscreen \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent PULSE_SERVER=unix:/nonexistent \
  KORVANE_REPORT_FIRST_FRAME=1 KORVANE_ENV_FILES= \
  "$stage/bin/korvane" >"$work/korvane.log" 2>&1 &
pid=$!
for _ in $(seq 600); do
  grep -q 'korvane: first frame' "$work/korvane.log" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q 'korvane: first frame' "$work/korvane.log"; then
  cat "$work/korvane.log"
  fail "the installed korvane drew no frame"
fi
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

if ((failures > 0)); then
  echo "$failures package checks failed"
  exit 1
fi
echo "Package $deb and the staged install check out."
