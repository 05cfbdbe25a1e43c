#!/usr/bin/env bash
# Installs the Debian packages that building, packaging (dpkg-shlibdeps of
# dpkg-dev), running and testing need.
# Only what is missing is installed; a machine that has everything is left alone.
set -euo pipefail

packages=(
  g++ make cmake pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev
  libxml2-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic adwaita-icon-theme
  dpkg-dev
)
if [ "${1:-}" = "--test" ]; then
  # Tray and multi-host tests: an X server with a notification area, X tools,
  # network namespaces; PDF checks of printed pages; clang and libFuzzer for
  # the parsers' fuzz targets; a private message bus (dbus-daemon) for the
  # desktop notifications; the Debian package's checks (desktop entries,
  # AppStream metadata, manual pages).
  packages+=(dbus-daemon xvfb xauth trayer xdotool x11-utils iproute2 poppler-utils clang libclang-rt-14-dev
             desktop-file-utils appstream man-db)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
