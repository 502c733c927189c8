#!/usr/bin/env bash
# Time from launch to the main window on screen, and resident memory once the
# program idles, with a CallerID.mdb holding 1,000,000 calls. Runs the real
# program under Xvfb with the simulated modem on port 1.
#   bench/startup.sh [build-dir] [runs]
# Goals: under 250 ms to the window, under 60 MB resident.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-5}
cmake --build "$BUILD" -j2 --target QuillonCID quillon-modemsim >/dev/null

work=$(mktemp -d /tmp/quillon-startup.XXXXXX)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp "$BUILD/src/QuillonCID" "$work/"
sqlite3 "$work/CallerID.mdb" < src/records/schema.sql > /dev/null
sqlite3 "$work/CallerID.mdb" <<'SQL'
BEGIN;
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)
INSERT INTO CID (Name, Number, Date, Time, SysTime)
SELECT 'CALLER ' || i, printf('555-%03d-%04d', i % 1000, i % 10000), '06/12', '14:32',
       datetime('2025-01-01', '+' || (i * 30) || ' seconds')
FROM n;
COMMIT;
SQL

# The modem: the simulator, kept running across the runs.
mkfifo "$work/sim-in"
"$BUILD/tools/modemsim/quillon-modemsim" --link "$work/modem" < "$work/sim-in" > /dev/null 2>&1 &
sim_pid=$!
exec 9> "$work/sim-in"
for _ in $(seq 50); do [ -e "$work/modem" ] && break; sleep 0.1; done

printf '[Comm]\r\nCnfg=True\r\nComPort=1\r\n[Settings]\r\nExitDelay=False\r\n[Ports]\r\nComm1=%s\r\n' \
    "$work/modem" > "$work/QuillonCID.ini"

cat > "$work/measure.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
work=$1
start=$(date +%s%N)
"$work/QuillonCID" 2>/dev/null &
pid=$!
until xwininfo -root -tree 2>/dev/null | grep -q '"Quillon CallerID"'; do
    sleep 0.002
done
shown=$(date +%s%N)
sleep 3
rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
kill -TERM "$pid"
wait "$pid" || true
echo "$(( (shown - start) / 1000000 )) $(( rss / 1024 ))"
INNER
chmod +x "$work/measure.sh"

results=()
for run in $(seq "$RUNS"); do
    results+=("$(xvfb-run -a "$work/measure.sh" "$work")")
    echo "run $run: ${results[-1]% *} ms to the window, ${results[-1]#* } MB resident"
done
ms=$(printf '%s\n' "${results[@]}" | awk '{ print $1 }' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
mb=$(printf '%s\n' "${results[@]}" | awk '{ print $2 }' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "median over $RUNS runs with 1,000,000 stored calls: ${ms} ms to the main window, ${mb} MB resident when idle"
