#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in (once; about 6 s), and starts Wine's
# background processes detached so ctest does not wait on their output.
#   scripts/wine-prefix.sh PREFIX         make the prefix if it is missing, then start wineserver
#   scripts/wine-prefix.sh PREFIX --stop  end wineserver
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX [--stop]}
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH=/usr/lib/wine:$PATH

if [ "${2:-}" = "--stop" ]; then
  wineserver -k 2>/dev/null || true
  exit 0
fi
if [ ! -f "$prefix/.druvo-ready" ]; then
  mkdir -p "$prefix"
  LANG=nl_NL.UTF-8 wine64 wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
  # Debian's Wine does not read its own font folder.
  cp /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  # Without a window manager, unmanaged windows let message boxes close at once.
  wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.druvo-ready"
fi
wineserver -p 2>/dev/null || true
wine64 wineboot </dev/null >/dev/null 2>&1 || true
