#!/usr/bin/env bash
# Builds every target and runs every test:
#   Linux native, Linux with AddressSanitizer + UndefinedBehaviorSanitizer,
#   the Windows tests under Wine on the 32-bit programs, the ones a shop gets (the console,
#   file-system, hold, link and crash tests, the window checks under Xvfb, the screenshots),
#   mail against a loopback SMTP server, the import tables of both Windows builds (32-bit x86
#   and x86-64) against what Windows 7 SP1 provides, and the end-to-end demo with the console
#   program of each Windows build.
#   The Windows tests run on the 32-bit programs with DRUVO_WINDOWS_TESTS=win32, where this
#   machine runs 32-bit Windows programs; until they have passed where one does, they run on
#   the x86-64 programs by default, and the summary at the end says what was not run and why.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
build=${DRUVO_BUILD:-$root/build}
export WINEPREFIX=$build/wineprefix DRUVO_WINEPREFIX=$build/wineprefix

step() { printf '\n== %s (%s)\n' "$*" "$(date +%T)"; }

bash scripts/install-deps.sh

# The end-to-end demo with the console program of a Windows build, under Wine, mailing to the
# test relay: a demo installation, one whole run, every one of the 32 entries converted.
demo_under_wine() {
  local bin=$1/bin demo windemo relay mails code=0
  demo=$(mktemp -d /tmp/druvo-demo-wine.XXXXXX)
  windemo="Z:$(printf %s "$demo" | tr / '\\')"
  relay=$(awk '/^accept /{print $2}' "$smtp/ready")
  mails=$(find "$smtp" -name '*.eml' | wc -l)
  cmake/wine-run.sh "$bin/druvo-cli.exe" demo "$windemo" >/dev/null
  DRUVO_SMTP_RELAY=$relay cmake/wine-run.sh "$bin/druvo-cli.exe" run --yes --customer 4711 \
    --program-folder "$windemo\\QMV" --database-folder "$windemo\\DATA" >"$demo/run-output.txt" || code=$?
  # Exit code 1: the demo data holds a few invalid book numbers on purpose.
  if [ "$code" -ne 1 ] || ! grep -q "Omgezet: 32 van 32 bestanden" "$demo/QMV/DRUVO.Log" ||
     [ "$(find "$smtp" -name '*.eml' | wc -l)" -le "$mails" ]; then
    echo "end-to-end demo with $bin/druvo-cli.exe failed: exit code $code, see $demo"; exit 1
  fi
  echo "end-to-end demo with $bin/druvo-cli.exe: 32 of 32 entries converted, the log mailed"
  rm -rf "$demo"
}

step "Linux build"
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRUVO_WERROR=ON >/dev/null
ninja -C "$build/linux" -j"$jobs"

# The tests are built and run in one of the two Windows builds; the other one makes only its
# programs, and its ctest checks their imports.
windows_build() {  # folder ON|OFF (tests)
  local toolchain=mingw-w64.cmake
  [ "$1" = win ] || toolchain=mingw-w64-i686.cmake
  cmake -S . -B "$build/$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRUVO_WERROR=ON -DDRUVO_TESTS="$2" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" >/dev/null
}
step "Windows build, 32-bit x86 (MinGW-w64 i686): the console program"
windows_build win32 ON
ninja -C "$build/win32" -j"$jobs" druvo_cli

step "Can Wine run the 32-bit programs here?"
cleanup() { bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX" --stop; }
trap cleanup EXIT
bash scripts/wine-prefix.sh "$WINEPREFIX"
# Only where the 32-bit console program says its version as the Linux one does.
version=$("$build/linux/bin/druvo" --version)
version32=$(cmake/wine-run.sh "$build/win32/bin/druvo-cli.exe" --version 2>&1 | tr -d '\r' | head -n 3) || true
not_run=
if [ "$version32" = "$version" ] && [ "${DRUVO_WINDOWS_TESTS:-win}" = win32 ]; then
  tested=win32 other=win
  echo "yes: the 32-bit druvo-cli.exe says \"$version32\"; the Windows tests run on the 32-bit programs"
elif [ "$version32" = "$version" ]; then
  tested=win other=win32
  not_run="NOT run on the 32-bit programs: the Windows tests, the window checks and the screenshots (DRUVO_WINDOWS_TESTS=win32 runs them there). They ran on the x86-64 programs; the 32-bit ones were built, their imports checked, and they ran the end-to-end demo."
  echo "yes: the 32-bit druvo-cli.exe says \"$version32\"; the Windows tests run on the x86-64 programs unless DRUVO_WINDOWS_TESTS=win32"
else
  tested=win other=win32
  if [ ! -x /usr/lib/wine/wine ]; then
    why="no 32-bit Wine is installed (wine32, see scripts/install-deps.sh)"
  elif ! loader=$(/usr/lib/wine/wine --version 2>&1); then
    why="the kernel refuses to start the 32-bit Wine: ${loader##*: }"
  else
    why="the 32-bit druvo-cli.exe --version said \"$(printf %s "$version32" | head -n 1)\""
  fi
  not_run="NOT run on the 32-bit programs: the Windows tests, the window checks and the screenshots: this machine cannot run 32-bit Windows programs ($why). They ran on the x86-64 programs instead; the 32-bit ones were built and their imports checked."
  echo "no: $why; the Windows tests run on the x86-64 programs"
fi
declare -A names=([win32]="32-bit x86" [win]="x86-64")
windows_build "$tested" ON
windows_build "$other" OFF

step "Windows build, ${names[$tested]}: the programs and their tests"
ninja -C "$build/$tested" -j"$jobs"

step "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer"
# The benchmarks are compiled by the Linux build above; here they would cost without paying.
cmake -S . -B "$build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRUVO_WERROR=ON -DDRUVO_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
ninja -C "$build/asan" -j"$jobs"

step "Windows build, ${names[$other]}: the programs alone, in the background"
# At the lowest priority, on what the tests below leave of the processors; it is waited for
# before its programs are checked and run, at the end.
nice -n 19 ninja -C "$build/$other" -j"$jobs" DRUVO druvo_cli hostsim_all >"$build/$other-build.log" 2>&1 &
other_build=$!
sink=
cleanup() {
  kill "$other_build" "$sink" 2>/dev/null || true
  bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX" --stop
}
echo "building; its output goes to $build/$other-build.log"

step "Linux tests"
(cd "$build/linux" && ctest --output-on-failure -j"$jobs")

step "Linux tests under the sanitizers"
(cd "$build/asan" && DRUVO_CRASH_STRIDE=8 ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

# The line ctest closes with: "100% tests passed, 0 tests failed out of 141".
passed() { grep -E '^[0-9]+% tests passed' "$1" | tail -n 1; }

step "Windows tests under Wine, ${names[$tested]} programs"
# A Windows program cannot start the Linux test relay: it runs here, for the whole Wine run.
smtp=$(mktemp -d /tmp/druvo-smtp.XXXXXX)
/usr/bin/python3 tests/smtp_sink.py --dir "$smtp" >"$smtp.log" 2>&1 &
sink=$!
for _ in $(seq 100); do [ -f "$smtp/ready" ] && break; sleep 0.1; done
[ -f "$smtp/ready" ] || { echo "the test relay did not start:"; cat "$smtp.log"; exit 1; }
export DRUVO_TEST_SMTP_DIR="Z:$(printf %s "$smtp" | tr / '\\')"
bash scripts/wine-prefix.sh "$WINEPREFIX"
(cd "$build/$tested" && ctest --output-on-failure -j"$jobs" -LE gui) | tee "$build/$tested-ctest.log"

step "Windows window checks under Wine and Xvfb, ${names[$tested]} programs"
gui=
if [ -n "$(cd "$build/$tested" && ctest -N -L gui | grep -E '^ +Test +#')" ]; then
  # Wine's desktop process takes the display it was started with: start it inside Xvfb.
  bash scripts/wine-prefix.sh "$WINEPREFIX" --stop
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    "bash '$root/scripts/wine-prefix.sh' '$WINEPREFIX' && cd '$build/$tested' && ctest --output-on-failure -L gui \
     && { bash '$root/scripts/screenshots.sh' '$build/$tested/screenshots' '$build/$tested' \
          || echo 'Screenshots NOT made (pictures for the eye; the window checks above passed): see the lines above'; }" \
    | tee "$build/$tested-gui.log"
  gui=$(passed "$build/$tested-gui.log")
  echo "Screenshots of the window: $build/$tested/screenshots"
fi

step "Windows build, ${names[$other]}: imports checked, the end-to-end demo"
wait "$other_build" || { cat "$build/$other-build.log"; echo "the ${names[$other]} build failed"; exit 1; }
tail -n 1 "$build/$other-build.log"
(cd "$build/$other" && ctest --output-on-failure)
# Wine's processes of the window checks went with their display: start anew.
bash scripts/wine-prefix.sh "$WINEPREFIX" --stop
bash scripts/wine-prefix.sh "$WINEPREFIX"
demo_under_wine "$build/win"
[ "$version32" != "$version" ] || demo_under_wine "$build/win32"

step "Summary"
echo "Windows tests under Wine on the ${names[$tested]} programs ($build/$tested): $(passed "$build/$tested-ctest.log")"
[ -z "$gui" ] || echo "Window checks under Wine and Xvfb on the ${names[$tested]} programs: $gui"
[ -z "$not_run" ] || echo "$not_run"
