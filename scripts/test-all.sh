#!/usr/bin/env bash
# Builds every target and runs every test:
#   Linux native, Linux with AddressSanitizer + UndefinedBehaviorSanitizer,
#   the x86-64 Windows build under Wine (its window checks under Xvfb), mail against a
#   loopback SMTP server, the crash test of the repeat preparation, and the import tables of
#   both Windows builds (x86-64 and 32-bit x86) against what Windows 7 SP1 provides.
#   The 32-bit programs also run the end-to-end demo where this machine can run 32-bit
#   Windows programs (a 32-bit Wine); elsewhere they are built and checked, not run.
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

step "Windows build, x86-64 (MinGW-w64)"
cmake -S . -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRUVO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
ninja -C "$build/win" -j"$jobs"

step "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer"
# The benchmarks are compiled by the Linux build above; here they would cost without paying.
cmake -S . -B "$build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRUVO_WERROR=ON -DDRUVO_BENCHMARKS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
ninja -C "$build/asan" -j"$jobs"

step "Windows build, 32-bit x86 (MinGW-w64 i686): the shipped programs, in the background"
cmake -S . -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRUVO_WERROR=ON -DDRUVO_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
# At the lowest priority, on what the tests below leave of the processors; it is waited for
# before the 32-bit programs are checked, at the end.
nice -n 19 ninja -C "$build/win32" -j"$jobs" DRUVO druvo_cli >"$build/win32-build.log" 2>&1 &
win32_build=$!
sink=
cleanup() {
  kill "$win32_build" "$sink" 2>/dev/null || true
  bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX" --stop
}
trap cleanup EXIT
echo "building; its output goes to $build/win32-build.log"

step "Linux tests"
(cd "$build/linux" && ctest --output-on-failure -j"$jobs")

step "Linux tests under the sanitizers"
(cd "$build/asan" && DRUVO_CRASH_STRIDE=8 ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

step "Windows tests under Wine"
# A Windows program cannot start the Linux test relay: it runs here, for the whole Wine run.
smtp=$(mktemp -d /tmp/druvo-smtp.XXXXXX)
/usr/bin/python3 tests/smtp_sink.py --dir "$smtp" >"$smtp.log" 2>&1 &
sink=$!
for _ in $(seq 100); do [ -f "$smtp/ready" ] && break; sleep 0.1; done
[ -f "$smtp/ready" ] || { echo "the test relay did not start:"; cat "$smtp.log"; exit 1; }
export DRUVO_TEST_SMTP_DIR="Z:$(printf %s "$smtp" | tr / '\\')"
bash scripts/wine-prefix.sh "$WINEPREFIX"
(cd "$build/win" && ctest --output-on-failure -j"$jobs" -LE gui)

step "Windows window checks under Wine and Xvfb"
if [ -n "$(cd "$build/win" && ctest -N -L gui | grep -E '^ +Test +#')" ]; then
  # Wine's desktop process takes the display it was started with: start it inside Xvfb.
  bash scripts/wine-prefix.sh "$WINEPREFIX" --stop
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c \
    "bash '$root/scripts/wine-prefix.sh' '$WINEPREFIX' && cd '$build/win' && ctest --output-on-failure -L gui \
     && { bash '$root/scripts/screenshots.sh' '$build/win/screenshots' '$build/win' \
          || echo 'Screenshots NOT made (pictures for the eye; the window checks above passed): see the lines above'; }"
  echo "Screenshots of the window: $build/win/screenshots"
fi

step "32-bit Windows programs: built, imports checked, run where this machine can"
wait "$win32_build" || { cat "$build/win32-build.log"; echo "the 32-bit build failed"; exit 1; }
tail -n 1 "$build/win32-build.log"
(cd "$build/win32" && ctest --output-on-failure)
# Runs only where Wine can start a 32-bit program: its version must come out as the x86-64
# one's does. Wine's processes of the window checks went with their display: start anew.
bash scripts/wine-prefix.sh "$WINEPREFIX" --stop
bash scripts/wine-prefix.sh "$WINEPREFIX"
version=$(cmake/wine-run.sh "$build/win/bin/druvo-cli.exe" --version 2>/dev/null | tr -d '\r')
if [ -n "$version" ] &&
   [ "$(cmake/wine-run.sh "$build/win32/bin/druvo-cli.exe" --version 2>/dev/null | tr -d '\r')" = "$version" ]; then
  ninja -C "$build/win32" -j"$jobs" hostsim_all
  demo_under_wine "$build/win32"
else
  echo "The 32-bit programs were built and their imports checked, not run: this machine cannot run 32-bit Windows programs (no 32-bit Wine)."
fi
