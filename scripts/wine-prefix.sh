#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in (once; about 6 s, 25 s with the 32-bit Wine),
# and starts Wine's background processes detached so ctest does not wait on their output.
# Where Debian's 32-bit Wine runs, the prefix runs 32-bit programs too (WoW64): a prefix made
# before it was installed has no 32-bit system files (drive_c/windows/syswow64), which
# `wineboot -u` does not add, and 32-bit programs fail in it ("could not load kernel32.dll",
# c0000135). Such a prefix is made anew.
#   scripts/wine-prefix.sh PREFIX         make the prefix if it is missing, then start wineserver
#   scripts/wine-prefix.sh PREFIX --stop  end wineserver
set -euo pipefail
prefix=${1:?usage: wine-prefix.sh PREFIX [--stop]}
# Wine takes only an absolute WINEPREFIX; a relative one fails every command, quietly here.
prefix=$(realpath -m "$prefix")
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PATH=/usr/lib/wine:$PATH

if [ "${2:-}" = "--stop" ]; then
  wineserver -k 2>/dev/null || true
  exit 0
fi
# Debian's 32-bit Wine is installed and this kernel starts its loader.
wine32_runs() { [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; }
if [ -f "$prefix/system.reg" ] && [ ! -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ] && wine32_runs; then
  echo "Wine prefix $prefix has no 32-bit system files (made before the 32-bit Wine): made anew"
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$prefix"
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
