#!/usr/bin/env bash
# The main job on a demo installation: builds druvo, writes a demo installation (program
# folder QMV with the stand-in utility, database folder DATA with 32 data files), starts a
# loopback SMTP server in the place of the help desk's relay, and runs one whole conversion
# with `druvo run --yes`. Pass a folder to keep the result there (default: a new temp folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
build=${DRUVO_BUILD:-$root/build}/linux
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
ninja -C "$build" -j"${JOBS:-2}" druvo >/dev/null

demo=${1:-$(mktemp -d /tmp/druvo-demo.XXXXXX)}
mkdir -p "$demo"
"$build/bin/druvo" demo "$demo"

mail="$demo/mail"
mkdir -p "$mail"
/usr/bin/python3 "$root/tests/smtp_sink.py" --dir "$mail" --mode accept >/dev/null 2>&1 &
sink=$!
trap 'kill $sink 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$mail/ready" ] && break; sleep 0.1; done
relay=$(awk '/^accept /{print $2}' "$mail/ready")

set +e
DRUVO_SMTP_RELAY=$relay DRUVO_HELPDESK=helpdesk@druvo.example \
  "$build/bin/druvo" run --yes --customer 12345 \
  --program-folder "$demo/QMV" --database-folder "$demo/DATA" > "$demo/run-output.txt"
code=$?
set -e
tail -n 3 "$demo/run-output.txt"
echo
echo "exit code:        $code (0: no ERROR lines, 1: the utility reported ERROR lines)"
echo "run log:          $demo/QMV/DRUVO.Log"
echo "converted data:   $demo/DATA (markers *.13, per-file logs *.Log)"
echo "mail received:    $(ls "$mail"/*.eml 2>/dev/null | head -1)"
[ "$code" -le 1 ]
