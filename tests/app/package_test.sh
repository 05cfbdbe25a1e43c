#!/usr/bin/env bash
# The Debian package CPack makes: its files, its control fields, desktop
# entries, AppStream metadata and manual pages that validate, manual pages
# that name every option the programs take, and programs that run from it.
# The programs run from the package unpacked into an empty folder (dpkg-deb
# -x), with the system's libraries, rather than from an installation with
# apt-get, which would change this machine.
#   package_test.sh BUILD_DIR CPACK
set -uo pipefail
build=$1 cpack=$2
fail() { echo "FAIL: $*"; exit 1; }
for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man gzip; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool missing (scripts/install-deps.sh --test)"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --build "$build" --target quorlboard quorlboard-cli quorl_man_pages >"$work/build.log" 2>&1 ||
  { cat "$work/build.log"; fail "build"; }
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "not one .deb: ${debs[*]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }

# The file list: everything where Debian and the desktops look, nothing else.
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c"
awk '{print $6}' <<<"$listing" | sed 's|^\./|/|' | grep -v '/$' | sort >"$work/files"
# Configured with QUORLBOARD_SYSTEM_AUTOSTART=OFF, nothing goes to /etc.
autostart=/etc/xdg/autostart/quorlboard.desktop
grep -qx 'QUORLBOARD_SYSTEM_AUTOSTART:BOOL=OFF' "$build/CMakeCache.txt" && autostart=
expected="$autostart
/usr/bin/quorlboard
/usr/bin/quorlboard-cli
/usr/share/applications/quorlboard.desktop
/usr/share/icons/hicolor/128x128/apps/quorlboard.png
/usr/share/icons/hicolor/16x16/apps/quorlboard.png
/usr/share/icons/hicolor/22x22/apps/quorlboard.png
/usr/share/icons/hicolor/24x24/apps/quorlboard.png
/usr/share/icons/hicolor/256x256/apps/quorlboard.png
/usr/share/icons/hicolor/32x32/apps/quorlboard.png
/usr/share/icons/hicolor/48x48/apps/quorlboard.png
/usr/share/icons/hicolor/64x64/apps/quorlboard.png
/usr/share/icons/hicolor/scalable/apps/quorlboard.svg
/usr/share/man/man1/quorlboard-cli.1.gz
/usr/share/man/man1/quorlboard.1.gz
/usr/share/metainfo/io.github.quorlboard.QuorlBoard.metainfo.xml"
diff <(echo "$expected" | grep . | sort) "$work/files" || fail "file list differs (< expected, > in the package)"
grep -v ' root/root ' <<<"$listing" && fail "files not owned by root"
for b in quorlboard quorlboard-cli; do
  grep -q "^-rwxr-xr-x .* \./usr/bin/$b\$" <<<"$listing" || fail "$b not executable"
done

# Control fields: the run-time companions and the libraries found by dpkg-shlibdeps.
depends=$(field Depends)
for p in qt6-translations-l10n fonts-ipafont-gothic adwaita-icon-theme libqt6widgets6 libqt6network6 libxml2 libc6; do
  echo "$depends" | tr ',' '\n' | grep -Eq "^ *$p( |$)" || fail "Depends lacks $p: $depends"
done
[ "$(field Package)" = quorlboard ] || fail "Package: $(field Package)"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] || fail "no Maintainer or Description"
version=$(field Version) arch=$(field Architecture)
[ "$arch" = "$(dpkg --print-architecture)" ] || fail "Architecture $arch"
[ "$(basename "$deb")" = "quorlboard_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles 2>/dev/null)
[ "$conffiles" = "$autostart" ] || fail "conffiles: '$conffiles', not the autostart entry in /etc"

root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"

for entry in /usr/share/applications/quorlboard.desktop $autostart; do
  out=$(desktop-file-validate "$root/$entry" 2>&1) || fail "desktop-file-validate $entry: $out"
  echo "$out" | grep -E ': (error|warning):' && fail "desktop-file-validate $entry"
done

metainfo=$root/usr/share/metainfo/io.github.quorlboard.QuorlBoard.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
  { cat "$work/appstream.log"; fail "appstreamcli validate"; }
# What the metadata names must be in the package.
launchable=$(sed -n 's|.*<launchable type="desktop-id">\(.*\)</launchable>.*|\1|p' "$metainfo")
[ -f "$root/usr/share/applications/$launchable" ] || fail "launchable '$launchable' not in the package"
binaries=$(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$metainfo")
[ -n "$binaries" ] || fail "no binaries provided"
for b in $binaries; do [ -x "$root/usr/bin/$b" ] || fail "provided binary $b not in the package"; done
grep -q '<caption>' "$metainfo" || fail "no screenshot caption"

# The programs run from the package with the system's libraries.
export ASAN_OPTIONS=detect_leaks=0
for b in quorlboard quorlboard-cli; do
  ldd "$root/usr/bin/$b" | grep 'not found' && fail "$b: libraries not found"
done
run() { env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$@"; }
[ "$(run quorlboard --version)" = "QuorlBoard $version" ] || fail "quorlboard --version: $(run quorlboard --version)"
[ "$(run quorlboard-cli --version)" = "quorlboard-cli $version" ] || fail "quorlboard-cli --version"

# Manual pages: gzip files that man renders without a warning, naming every
# command and option the programs' own help names.
for page in quorlboard quorlboard-cli; do
  gz=$root/usr/share/man/man1/$page.1.gz
  gzip -t "$gz" || fail "$page.1.gz is not gzip"
  warnings=$(MANWIDTH=80 man -l --warnings "$gz" 2>&1 >"$work/$page.txt") || fail "man $page"
  [ -z "$warnings" ] || fail "man $page warns: $warnings"
  grep -q "QuorlBoard $version" "$work/$page.txt" || fail "$page(1) does not name version $version"
done
# Each page names the options of its program's help.
options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
for option in $(run quorlboard --help | options); do
  grep -q -- "$option" "$work/quorlboard.txt" || fail "quorlboard(1) lacks $option"
done
commands=$(run quorlboard-cli --help | sed -n 's/^  \([a-z]\+\) .*/\1/p')
[ "$(wc -w <<<"$commands")" -ge 8 ] || fail "commands in quorlboard-cli --help: $commands"
for c in $commands; do
  grep -q "^       $c " "$work/quorlboard-cli.txt" || fail "quorlboard-cli(1) lacks the command $c"
  for option in $(run quorlboard-cli "$c" --help | options); do
    grep -q -- "$option" "$work/quorlboard-cli.txt" || fail "quorlboard-cli(1) lacks $option of $c"
  done
done
for text in QUORLBOARD_CONFIG_DIR XDG_CONFIG_HOME settings.reg quorlboard.net quorlboard.app quorlboard.board \
            quorlboard.notify 1500..60000; do
  grep -q -- "$text" "$work/quorlboard.txt" || fail "quorlboard(1) does not name $text"
done
echo PASS
