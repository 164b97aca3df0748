#!/usr/bin/env bash
# Builds both targets and runs every test:
#   Linux native, Linux with AddressSanitizer + UndefinedBehaviorSanitizer,
#   the Windows build under Wine (its window checks under Xvfb), mail against a loopback
#   SMTP server, and the crash test of the repeat preparation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${JOBS:-2}
build=${DRUVO_BUILD:-$root/build}
export WINEPREFIX=$build/wineprefix DRUVO_WINEPREFIX=$build/wineprefix

step() { printf '\n== %s (%s)\n' "$*" "$(date +%T)"; }

step "Linux build"
cmake -S . -B "$build/linux" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRUVO_WERROR=ON >/dev/null
ninja -C "$build/linux" -j"$jobs"

step "Windows build (MinGW-w64)"
cmake -S . -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRUVO_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" >/dev/null
ninja -C "$build/win" -j"$jobs"

step "Linux build with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B "$build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRUVO_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
ninja -C "$build/asan" -j"$jobs"

step "Linux tests"
(cd "$build/linux" && ctest --output-on-failure -j"$jobs")

step "Linux tests under the sanitizers"
(cd "$build/asan" && DRUVO_CRASH_STRIDE=8 ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

step "Windows tests under Wine"
# A Windows program cannot start the Linux test relay: it runs here, for the whole Wine run.
smtp=$(mktemp -d /tmp/druvo-smtp.XXXXXX)
/usr/bin/python3 tests/smtp_sink.py --dir "$smtp" >"$smtp.log" 2>&1 &
sink=$!
cleanup() {
  kill "$sink" 2>/dev/null || true
  bash "$root/scripts/wine-prefix.sh" "$WINEPREFIX" --stop
}
trap cleanup EXIT
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
