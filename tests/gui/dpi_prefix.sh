#!/usr/bin/env bash
# A Wine prefix of its own for the GUI checks at another DPI: the same set-up as the
# project's prefix, with HKCU\Control Panel\Desktop LogPixels set.
#   dpi_prefix.sh PREFIX DPI     make it (once) and start its wineserver, detached
#   dpi_prefix.sh PREFIX --stop  end its wineserver
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=${1:?usage: dpi_prefix.sh PREFIX DPI|--stop}
arg=${2:?usage: dpi_prefix.sh PREFIX DPI|--stop}
if [ "$arg" = "--stop" ]; then
  exec "$here/../../scripts/wine-prefix.sh" "$prefix" --stop
fi
"$here/../../scripts/wine-prefix.sh" "$prefix"
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all PATH=/usr/lib/wine:$PATH
if [ "$(cat "$prefix/.druvo-dpi" 2>/dev/null)" != "$arg" ]; then
  wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$arg" /f \
    </dev/null >/dev/null 2>&1
  # Wine reads the DPI when its session starts.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$arg" >"$prefix/.druvo-dpi"
  "$here/../../scripts/wine-prefix.sh" "$prefix"
fi
echo "prefix $prefix at $arg DPI"
