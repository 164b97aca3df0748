#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix (made by scripts/wine-prefix.sh).
: "${WINEPREFIX:=${DRUVO_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}}"
export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=${TZ:-Europe/Amsterdam}
export PATH=/usr/lib/wine:$PATH
# Dutch regional settings, as at the shops: Wine takes the user locale from LANG.
exec env LANG=nl_NL.UTF-8 LC_ALL=nl_NL.UTF-8 /usr/lib/wine/wine64 "$@"
