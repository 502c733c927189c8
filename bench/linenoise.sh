#!/usr/bin/env bash
# Resident memory of the real program while 5 MB of random bytes arrive on its
# serial line (the simulated modem on port 1, logging on), then a call: it
# must still be taken. Prints the memory when idle, the peak, the memory
# afterwards and the size the log grew by.
#   bench/linenoise.sh [build-dir] [bytes]
# Goal: a peak under 60 MB.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
BYTES=${2:-5000000}
cmake --build "$BUILD" -j2 --target QuillonCID quillon-modemsim >/dev/null

work=$(mktemp -d /tmp/quillon-noise.XXXXXX)
sim_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp "$BUILD/src/QuillonCID" "$work/"
sqlite3 "$work/CallerID.mdb" < src/records/schema.sql > /dev/null

mkfifo "$work/sim-in"
"$BUILD/tools/modemsim/quillon-modemsim" --link "$work/modem" < "$work/sim-in" > /dev/null 2>&1 &
sim_pid=$!
exec 9> "$work/sim-in"
for _ in $(seq 50); do [ -e "$work/modem" ] && break; sleep 0.1; done

printf '[Comm]\r\nCnfg=True\r\nComPort=1\r\n[Settings]\r\nEnableLog=True\r\nRingIn=False\r\nExitDelay=False\r\n[Ports]\r\nComm1=%s\r\n' \
    "$work/modem" > "$work/QuillonCID.ini"

QT_QPA_PLATFORM=offscreen "$work/QuillonCID" 2>/dev/null &
app_pid=$!
kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$app_pid/status"; }
sleep 4
idle=$(kb VmRSS)
log_before=$(stat -c %s "$work/CID.Log")

echo "noise $BYTES" >&9
# A burst is read at the latest 10 s after it began; give the rest time to settle.
sleep 16
echo "call 5551234567 JOHN DOE" >&9
for _ in $(seq 100); do
    grep -q "Displayed name = JOHN DOE" "$work/CID.Log" && break
    sleep 0.1
done
taken=no
grep -q "Displayed name = JOHN DOE" "$work/CID.Log" && taken=yes
after=$(kb VmRSS)
peak=$(kb VmHWM)
log_after=$(stat -c %s "$work/CID.Log")
dropped=$(grep -ao 'Telco Info - \[\.\.\. [0-9]* earlier characters dropped' "$work/CID.Log" | grep -o '[0-9]*' | awk '{ s += $1 } END { print s + 0 }')

echo "$BYTES bytes of noise: resident ${idle} kB idle, peak ${peak} kB, ${after} kB afterwards;" \
    "log grew by $((log_after - log_before)) bytes (${dropped:-0} bytes dropped from bursts);" \
    "the call after it was taken: $taken"
[ "$taken" = yes ] && [ "$peak" -lt $((60 * 1024)) ]
