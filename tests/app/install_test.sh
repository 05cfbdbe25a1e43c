#!/usr/bin/env bash
# `cmake --install` puts the programs, the menu entry, the login autostart
# entry and the icons where a desktop finds them.
#   install_test.sh BUILD_DIR
set -uo pipefail
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$1" --prefix /usr >/dev/null || { echo "FAIL: install"; exit 1; }
# Configured with QUORLBOARD_SYSTEM_AUTOSTART=OFF, no login autostart entry.
autostart=etc/xdg/autostart/quorlboard.desktop
if grep -qx 'QUORLBOARD_SYSTEM_AUTOSTART:BOOL=OFF' "$1/CMakeCache.txt"; then
  [ -e "$stage/$autostart" ] && { echo "FAIL: $autostart installed though turned off"; exit 1; }
  autostart=
fi
for f in usr/bin/quorlboard usr/bin/quorlboard-cli usr/share/applications/quorlboard.desktop \
         $autostart usr/share/icons/hicolor/48x48/apps/quorlboard.png \
         usr/share/icons/hicolor/256x256/apps/quorlboard.png usr/share/icons/hicolor/scalable/apps/quorlboard.svg; do
  [ -e "$stage/$f" ] || { echo "FAIL: $f missing"; exit 1; }
done
for entry in usr/share/applications/quorlboard.desktop $autostart; do
  grep -q '^Exec=quorlboard$' "$stage/$entry" || { echo "FAIL: $entry does not start quorlboard"; exit 1; }
  grep -q '^Icon=quorlboard$' "$stage/$entry" || { echo "FAIL: $entry has no icon"; exit 1; }
done
[ -x "$stage/usr/bin/quorlboard" ] || { echo "FAIL: not executable"; exit 1; }
# --version and --help answer without a display, as in a terminal over ssh.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/usr/bin/quorlboard" --version | grep -q '^QuorlBoard ' ||
  { echo "FAIL: --version"; exit 1; }
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$stage/usr/bin/quorlboard" --help | grep -q -- '--version' ||
  { echo "FAIL: --help"; exit 1; }
echo PASS
