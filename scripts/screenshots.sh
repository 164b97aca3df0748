#!/usr/bin/env bash
# Screenshots of DRUVO.exe under Wine: the main window, the folder dialog over it and a
# start-check message box, as PNG files for a look by eye (the GUI checks compare geometry).
#   scripts/screenshots.sh OUTDIR [BUILD_DIR]      BUILD_DIR default: build/gui-win
# Runs inside xvfb-run by itself when there is no display. Needs xdotool and ImageMagick.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
out=${1:?usage: screenshots.sh OUTDIR [BUILD_DIR]}
build=${2:-$root/build/gui-win}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
exe=$build/bin/DRUVO.exe
[ -f "$exe" ] || { echo "no $exe: build the target DRUVO first" >&2; exit 1; }

export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null 2>&1

# A program folder to start in and a database folder with a few subfolders.
demo=$(mktemp -d /tmp/druvo-shots.XXXXXX)
mkdir -p "$demo/QMV" "$demo/QMVDATA/QMVWORK" "$demo/QMVDATA/Archief" "$demo/QMVDATA/2024"
export QMVDIR="Z:${demo//\//\\}\\QMVDATA"

pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$demo"
}
trap cleanup EXIT

wait_window() {  # title -> X window id
  local id=
  for _ in $(seq 1 80); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  echo "window \"$1\" did not appear" >&2
  return 1
}

# Clicks a point given in twips of a window's client area (the window at 96 DPI).
click_twips() {  # window client-width-px client-height-px x-twips y-twips
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local border=$(((WIDTH - $2) / 2))
  local top=$((HEIGHT - $3 - border))
  xdotool mousemove --window "$1" $((border + $4 / 15)) $((top + $5 / 15)) click 1
}

(cd "$demo/QMV" && exec "$root/cmake/wine-run.sh" "$exe") &
pid=$!
main=$(wait_window "Kalverom ISBN - EAN conversie")
sleep 1
import -window "$main" "$out/main.png"

# The database folder's "..." button, then the dialog alone and over the main window.
click_twips "$main" 732 503 $((10440 + 187)) $((3240 + 187))
dialog=$(wait_window "Selecteer database folder")
sleep 1
import -window "$dialog" "$out/folder_dialog.png"
import -window root "$out/folder_dialog_over_main.png"
click_twips "$dialog" 577 424 $((7320 + 607)) $((5880 + 187))  # Annuleren
sleep 1

# Start with an empty customer number: the refusal.
click_twips "$main" 732 503 $((9120 + 847)) $((6960 + 247))
box=$(wait_window "DRUVO")
sleep 1
import -window "$box" "$out/message_box.png"
import -window root "$out/message_box_over_main.png"
echo "screenshots in $out:"
ls "$out"
