#!/usr/bin/env bash
# Builds Velmora.exe and starts it under Wine in a prefix of its own (build/run-prefix), with
# the Chinese locale. Arguments go to the program: none opens the settings dialog.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32

exe=build/win32/Velmora.exe
loader=/usr/lib/wine/wine
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  # No 32-bit code on this machine (hence no wine32): run the 64-bit build of the same sources.
  echo "note: this machine cannot run 32-bit programs; starting the 64-bit build under wine64"
  exe=build/win32/x64/Velmora.exe
  loader=/usr/lib/wine/wine64
fi

export WINEPREFIX="$PWD/build/run-prefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
headless=
if [ -z "${DISPLAY:-}" ]; then
  # Headless machine: give Wine a virtual screen so the dialog has somewhere to live.
  for n in $(seq 90 199); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  headless=1
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "no display: running on Xvfb $DISPLAY (attach a viewer, or close the dialog with: WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k)"
fi
[ -d "$WINEPREFIX" ] || "$loader" wineboot -i >/dev/null 2>&1
# Without a window manager only a Wine desktop window draws the dialog's frame and caption,
# so the headless run uses one; a run on a real display does not.
desktop='HKCU\Software\Wine\Explorer'
if [ -n "$headless" ]; then
  "$loader" reg add "$desktop" /v Desktop /d Default /f >/dev/null 2>&1 || true
  "$loader" reg add "$desktop\Desktops" /v Default /d 800x600 /f >/dev/null 2>&1 || true
else
  "$loader" reg delete "$desktop" /v Desktop /f >/dev/null 2>&1 || true
fi
# The setting is read when the wine server's desktop starts: let this one end first.
/usr/lib/wine/wineserver -w

# Once the screen shows more than the desktop's one colour, the dialog has been painted: save
# it where someone can look at it. The dialog sits in the desktop's top left corner, so what
# differs from the bottom right corner's colour is the dialog (trim reads the top left corner,
# hence the turns).
picture_when_painted() {
  local shot=build/run-dialog.png
  for _ in $(seq 120); do
    sleep 0.5
    kill -0 "$1" 2>/dev/null || return 0
    colours=$(import -display "$DISPLAY" -window root png:- 2>/dev/null |
              convert png:- -format %k info: 2>/dev/null || echo 0)
    if [ "${colours:-0}" -gt 16 ]; then
      sleep 1
      import -display "$DISPLAY" -window root png:- |
        convert png:- -crop 800x600+0+0 -rotate 180 -trim -rotate 180 +repage "$shot" &&
        echo "the dialog is up; a picture of it is in $shot (it stays open until closed)"
      return 0
    fi
  done
}

set +e
"$loader" "$exe" "$@" &
program=$!
[ -n "$headless" ] && picture_when_painted "$program"
wait "$program"
code=$?
echo "Velmora.exe exited with code $code"
exit $code
