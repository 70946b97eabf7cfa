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
if [ -z "${DISPLAY:-}" ]; then
  # Headless machine: give Wine a virtual screen so the dialog has somewhere to live.
  for n in $(seq 90 199); do [ -e "/tmp/.X$n-lock" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  echo "no display: running on Xvfb $DISPLAY (attach a viewer, or close the dialog with: WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k)"
fi
[ -d "$WINEPREFIX" ] || "$loader" wineboot -i >/dev/null 2>&1
set +e
"$loader" "$exe" "$@"
code=$?
echo "Velmora.exe exited with code $code"
exit $code
