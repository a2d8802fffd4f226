#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR, as a package would into /usr, and
# uses it as a user would: the links in bin/, the versions, a conversion from
# another folder with a read-only program folder, the desktop files.
# Usage: installed-test.sh BUILD_DIR VERSION
set -euo pipefail
BUILD=$1
VERSION=$2
WORK=$(mktemp -d "${TMPDIR:-/tmp}/sablewick-install-test.XXXXXX")
cleanup() { chmod -R u+w "$WORK" 2>/dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

ROOT=$WORK/root
DESTDIR=$ROOT cmake --install "$BUILD" --prefix /usr > "$WORK/install.log"
USR=$ROOT/usr
PROGRAM=$USR/lib/sablewick

# The program's folder and the links into it; nothing else in bin/.
for f in sablewick sablewick-cli video.dll imgconv.dll swfinfo.dll player.dll; do
  [ -f "$PROGRAM/$f" ] && [ -x "$PROGRAM/$f" ] || fail "$PROGRAM/$f is not an executable"
done
for f in info.dat TellurvaneInfo.ini; do
  [ -f "$PROGRAM/$f" ] || fail "$PROGRAM/$f is missing"
done
[ "$(ls "$USR/bin" | tr '\n' ' ')" = "sablewick sablewick-cli " ] \
  || fail "bin/ holds $(ls "$USR/bin" | tr '\n' ' ')"
for f in sablewick sablewick-cli; do
  [ "$(readlink "$USR/bin/$f")" = "../lib/sablewick/$f" ] \
    || fail "bin/$f links to $(readlink "$USR/bin/$f")"
done

# One version everywhere, without a display.
expect_version() {
  local out
  out=$("$1" --version) || fail "$1 --version failed"
  [ "$out" = "$2 (Sablewick) $VERSION" ] || fail "$1 --version printed '$out'"
}
expect_version "$USR/bin/sablewick-cli" sablewick-cli
expect_version "$USR/bin/sablewick" sablewick
for tool in video imgconv swfinfo player; do
  expect_version "$PROGRAM/$tool.dll" "$tool.dll"
done

# Installed, the program's folder is read-only: the settings come from the
# user's config folder, made from the program's copy on first use. The mode
# bits decide, so this holds when the tests run as root too.
chmod a-w "$PROGRAM"
export HOME=$WORK/home
unset XDG_CONFIG_HOME
# Frames in a temporary folder of this test's own, away from other copies' clean-up.
export TMPDIR=$WORK/tmp
mkdir -p "$HOME" "$TMPDIR" "$WORK/clips" "$WORK/elsewhere"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=64x48:rate=10 -t 1 \
  -pix_fmt yuv420p "$WORK/clips/tiny clip.mp4"
OWN=$HOME/.config/sablewick/TellurvaneInfo.ini
# grep reads the whole text: with -q it would stop at the match, and a help text longer than
# a pipe's buffer would end by SIGPIPE, failing the pipeline.
"$USR/bin/sablewick-cli" --help | grep -F "$OWN" >/dev/null || fail "--help does not name $OWN"
"$USR/bin/sablewick" --help | grep -F "$OWN" >/dev/null || fail "sablewick --help does not name $OWN"
cmp -s "$OWN" "$PROGRAM/TellurvaneInfo.ini" || fail "$OWN is not a copy of the default"
(cd "$WORK/elsewhere" && "$USR/bin/sablewick-cli" -q "../clips/tiny clip.mp4") \
  || fail "the installed sablewick-cli did not convert the clip"
[ -s "$WORK/elsewhere/tiny clip.gif" ] || fail "no GIF in the current folder"
[ "$(head -c 6 "$WORK/elsewhere/tiny clip.gif")" = GIF89a ] || fail "the output is not a GIF"
[ ! -e "$PROGRAM/DasmereTemp1.png" ] || fail "frames in the program's folder"

# The menu entry and the AppStream record as desktops and software centres read them.
desktop-file-validate "$USR/share/applications/net.tellurvane.Sablewick.desktop"
appstreamcli validate --no-net "$USR/share/metainfo/net.tellurvane.Sablewick.metainfo.xml"
for size in 16 32 48 64 128 256; do
  icon=$USR/share/icons/hicolor/${size}x$size/apps/net.tellurvane.Sablewick.png
  [ "$(identify -format '%wx%h' "$icon")" = "${size}x$size" ] || fail "$icon is not ${size}px"
done
[ -f "$USR/share/icons/hicolor/scalable/apps/net.tellurvane.Sablewick.svg" ] || fail "no SVG icon"
for page in sablewick sablewick-cli; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$USR/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done
echo "installed layout OK"
