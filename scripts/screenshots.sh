#!/usr/bin/env bash
# Screenshots of DRUVO.exe under Wine, as PNG files for a look by eye (the GUI checks compare
# geometry): the main window at start, the folder dialog over it, a start-check message box,
# and the main window after a whole run of a demo installation (main-after-run.png).
#   scripts/screenshots.sh OUTDIR [BUILD_DIR]      BUILD_DIR default: build/gui-win
# Runs inside xvfb-run by itself when there is no display; inside one it uses the running
# wineserver. Needs xdotool and ImageMagick. Every wait is bounded: a window that does not
# appear, or a run that does not end, stops the script with a message and exit code 1.
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
rm -f "$out/failure.png"
build=$(cd "$build" && pwd)
exe=$build/bin/DRUVO.exe
cli=$build/bin/druvo-cli.exe
for f in "$exe" "$cli"; do
  [ -f "$f" ] || { echo "no $f: build the targets DRUVO and druvo_cli first" >&2; exit 1; }
done

export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
timeout 120 "$root/scripts/wine-prefix.sh" "$WINEPREFIX" >/dev/null 2>&1 ||
  { echo "the Wine prefix $WINEPREFIX could not be started" >&2; exit 1; }

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# A program folder to start in and a database folder with a few subfolders.
demo=$(mktemp -d /tmp/druvo-shots.XXXXXX)
mkdir -p "$demo/QMV" "$demo/QMVDATA/QMVWORK" "$demo/QMVDATA/Archief" "$demo/QMVDATA/2024"

pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$demo"
}
trap cleanup EXIT

# Wine's and the programs' own output goes to a log, shown when something fails.
wine_log=$demo/wine.log
fail() {
  echo "screenshots: $*" >&2
  [ -s "$wine_log" ] && { echo "last lines of the Wine output:" >&2; tail -n 20 "$wine_log" >&2; }
  import -window root "$out/failure.png" 2>/dev/null && echo "screen at the failure: $out/failure.png" >&2
  exit 1
}

# Starts DRUVO.exe in a program folder with QMVDIR set; more variables as NAME=VALUE.
start_druvo() {  # program-folder QMVDIR [NAME=VALUE...]
  local folder=$1 qmvdir=$2
  shift 2
  (cd "$folder" && exec env QMVDIR="$qmvdir" "$@" "$root/cmake/wine-run.sh" "$exe") \
    >>"$wine_log" 2>&1 &
  pid=$!
}

# Ends the program with its Stop button; killed if it does not end within 10 s.
stop_druvo() {  # window client-width-px client-height-px
  click_twips "$1" "$2" "$3" $((360 + 1087)) $((6840 + 307))
  for _ in $(seq 1 40); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.25
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
}

wait_window() {  # title -> X window id, within 20 s
  local id=
  for _ in $(seq 1 80); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      local rc=0
      wait "$pid" || rc=$?
      pid=
      fail "DRUVO.exe ended (exit code $rc) before the window \"$1\" appeared"
    fi
    sleep 0.25
  done
  fail "the window \"$1\" did not appear within 20 s"
}

# Clicks a point given in twips of a window's client area (the window at 96 DPI).
click_twips() {  # window client-width-px client-height-px x-twips y-twips
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local border=$(((WIDTH - $2) / 2))
  local top=$((HEIGHT - $3 - border))
  xdotool mousemove --window "$1" $((border + $4 / 15)) $((top + $5 / 15)) click 1
}

# Whether a button's caption is drawn in black: an enabled button. A disabled one draws it
# grey with a white shadow. The area is the button's middle, in twips of the client area.
looks_enabled() {  # window client-width-px client-height-px x y width height (twips)
  local WIDTH HEIGHT X Y SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  local border=$(((WIDTH - $2) / 2))
  local top=$((HEIGHT - $3 - border))
  local dark
  dark=$(import -window "$1" png:- 2>/dev/null |
    convert png:- -crop "$(($6 / 15))x$(($7 / 15))+$((border + $4 / 15))+$((top + $5 / 15))" \
      +repage -colorspace Gray -threshold 25% -negate -format '%[fx:mean>0]' info: 2>/dev/null) ||
    return 1
  [ "$dark" = 1 ]
}
# Answers the message box with its default button (OK): a click on its empty left margin
# makes it the active window (it is not always, without a window manager), then Enter.
answer_box() {  # window
  for _ in 1 2 3; do
    xdotool mousemove --window "$1" 8 30 click 1 2>/dev/null || return 0
    sleep 0.3
    xdotool key Return
    for _ in $(seq 1 20); do
      xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
  done
  fail "the message box does not close on Enter"
}
stop_enabled() { looks_enabled "$main" 732 503 $((360 + 400)) $((6840 + 150)) 1375 315; }
start_enabled() { looks_enabled "$main" 732 503 $((9120 + 400)) $((6960 + 100)) 895 295; }

start_druvo "$demo/QMV" "$(winpath "$demo")\\QMVDATA"
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
answer_box "$box"
stop_druvo "$main" 732 503

# A whole run of a demo installation: started in its program folder with QMVDIR at its
# database folder, so both folder fields hold the demo; the mail goes to a closed port and
# fails at once, which a message box says.
timeout 60 "$root/cmake/wine-run.sh" "$cli" demo "$(winpath "$demo")\\demo" >>"$wine_log" 2>&1 ||
  fail "druvo-cli.exe demo did not write the demo installation"
start_druvo "$demo/demo/QMV" "$(winpath "$demo")\\demo\\DATA" DRUVO_SMTP_RELAY=127.0.0.1:9
main=$(wait_window "Kalverom ISBN - EAN conversie")
sleep 1
click_twips "$main" 732 503 $((3840 + 487)) $((2260 + 187))  # the customer number
xdotool type --delay 50 4711
click_twips "$main" 732 503 $((9120 + 847)) $((6960 + 247))  # Start
box=$(wait_window "DRUVO")  # the date question
sleep 0.5
answer_box "$box"
# The run writes DRUVO.Log in the program folder at its end, then sends the mail, says
# that it failed, and enables Stop again. Start stays disabled from the answer on: enabled,
# the run was refused.
message_box() { [ -n "$(xdotool search --name '^DRUVO$' 2>/dev/null || true)" ]; }
for i in $(seq 1 1200); do
  [ -f "$demo/demo/QMV/DRUVO.Log" ] && break
  kill -0 "$pid" 2>/dev/null || fail "DRUVO.exe ended during the run"
  if [ $((i % 10)) = 0 ]; then
    if message_box; then
      [ -f "$demo/demo/QMV/DRUVO.Log" ] && break  # the mail's box, just after the run log
      fail "a message box appeared during the run"
    fi
    start_enabled && fail "the run did not start (Start is enabled)"
  fi
  [ "$i" = 1200 ] && fail "the run did not end within 240 s (no DRUVO.Log)"
  sleep 0.2
done
box=$(wait_window "DRUVO")  # "Versturen email mislukt, ..."
sleep 0.5
answer_box "$box"
for i in $(seq 1 50); do
  stop_enabled && break
  [ "$i" = 50 ] && fail "Stop was not enabled again within 10 s of the run's end"
  sleep 0.2
done
sleep 0.5
message_box && fail "a message box appeared at the run's end"
import -window "$main" "$out/main-after-run.png"
stop_druvo "$main" 732 503

echo "screenshots in $out:"
ls "$out"
