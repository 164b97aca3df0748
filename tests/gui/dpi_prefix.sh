#!/usr/bin/env bash
# A Wine prefix of its own for the GUI checks at another DPI: the same set-up as the
# project's prefix, with HKCU\Control Panel\Desktop LogPixels set, and a virtual desktop
# of 1600 x 1200 so that the window fits at that DPI whatever the X screen's size.
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
desktop=1600x1200
if [ "$(cat "$prefix/.druvo-dpi" 2>/dev/null)" != "$arg $desktop" ]; then
  wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$arg" /f \
    </dev/null >/dev/null 2>&1
  wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f \
    </dev/null >/dev/null 2>&1
  wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d "$desktop" /f \
    </dev/null >/dev/null 2>&1
  # Wine reads the DPI when its session starts.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$arg $desktop" >"$prefix/.druvo-dpi"
  "$here/../../scripts/wine-prefix.sh" "$prefix"
fi
echo "prefix $prefix at $arg DPI"
