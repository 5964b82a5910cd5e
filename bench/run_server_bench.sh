#!/usr/bin/env bash
# Load benchmark of the TCP data service. Runs, side by side in one run, the
# real server (tool_serverhost, epoll backend and Qt Network backend), a
# thread-per-client reference and a bare epoll reference, all on 127.0.0.1,
# and loads each with tool_loadgen at 1, 16, 256 and 1000 connections.
# Prints requests/s, p50 and p99 latency, the server's CPU time per request,
# and how far the 180 ms polling ticks of the real server strayed meanwhile:
# under the load, with every server idle (measured in each round before its
# loads, after the start-up scans), and what the load added to that.
#
#   bench/run_server_bench.sh [BUILD_DIR] [SECONDS_PER_RUN] [ROUNDS]
#
# COUNTS="256 1000" limits the connection counts. BEFORE=path/to/tool_serverhost
# adds a row "before" for another build of the server (say, of the previous
# commit), measured in the same rounds. SKIP="ours-qt threaded" leaves rows out.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-c}
seconds=${2:-3}
rounds=${3:-3}
read -r -a counts <<<"${COUNTS:-1 16 256 1000}"

if [ ! -x "$build/bench/tool_loadgen" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_GUI=OFF >/dev/null
  cmake --build "$build" --target tool_loadgen tool_serverhost tool_ref_threaded tool_ref_epoll
fi
bin=$build/bench
export QT_LOGGING_RULES="orvane.eventlog.info=false"

# Every server ends by itself after this long; the trap ends them earlier.
lifetime=$(( rounds * ${#counts[@]} * 4 * (seconds + 3) + 30 ))
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/tool_serverhost" --port 5101 --backend epoll --seconds "$lifetime" >"$work/ours.log" &
ours=$!; pids+=("$ours")
"$bin/tool_serverhost" --port 5104 --backend qt --seconds "$lifetime" >"$work/oursqt.log" &
oursqt=$!; pids+=("$oursqt")
"$bin/tool_ref_threaded" --port 5102 --seconds "$lifetime" &
threaded=$!; pids+=("$threaded")
"$bin/tool_ref_epoll" --port 5103 --seconds "$lifetime" &
floor=$!; pids+=("$floor")
servers=("ours:5101:$ours" "ours-qt:5104:$oursqt" "threaded:5102:$threaded" "epoll-floor:5103:$floor")
names=(ours ours-qt threaded epoll-floor)
if [ -n "${BEFORE:-}" ]; then
  "$BEFORE" --port 5105 --backend epoll --seconds "$lifetime" >"$work/before.log" &
  before=$!; pids+=("$before")
  servers=("before:5105:$before" "${servers[@]}")
  names=(before "${names[@]}")
fi
for skipped in ${SKIP:-}; do
  for i in "${!names[@]}"; do
    if [ "${names[$i]}" = "$skipped" ]; then unset 'names[i]' 'servers[i]'; fi
  done
done
ticking=("$ours" "$oursqt" ${before:+"$before"})
ticking_logs=("$work/ours.log" "$work/oursqt.log" ${before:+"$work/before.log"})
ticking_names=(ours ours-qt ${before:+before})

# The ticks are measured from the end of each server's start-up scan on (a
# server that does not say so, an older BEFORE build, has long scanned after
# these 10 s).
for log in "${ticking_logs[@]}"; do
  for _ in $(seq 100); do
    grep -q '^SCANNED' "$log" && break
    sleep 0.1
  done
done

# jitter_of LOGFILE: the last JITTER line's maximum deviation and how many
# ticks strayed more than 10 ms.
jitter_of() { awk '/^JITTER/ {m=$5; o=$9} END {printf "%s %s", m, o}' "$1"; }

# Each configuration runs $rounds times, the servers taking turns, so a burst
# of other work on the machine does not decide a comparison; the table shows
# the median of each figure and the worst tick deviation.
results=$work/results
idle=$work/idle
for _ in $(seq "$rounds"); do
  # The same servers idle for as long as one load run: the tick deviation
  # the timer shows without load (it waits for each tick's handler).
  kill -USR1 "${ticking[@]}"
  sleep "$seconds"
  kill -USR1 "${ticking[@]}"
  sleep 0.4
  for i in "${!ticking_logs[@]}"; do
    echo "${ticking_names[$i]} $(jitter_of "${ticking_logs[$i]}")" >>"$idle"
  done
  for n in "${counts[@]}"; do
    for spec in "${servers[@]}"; do
      IFS=: read -r name port pid <<<"$spec"
      kill -USR1 "${ticking[@]}"            # start a new tick window
      sleep 0.4
      result=$("$bin/tool_loadgen" --port "$port" --connections "$n" --seconds "$seconds" \
               --warmup 0.5 --pid "$pid" --label "$name") || result="RESULT $name $n 0 0 0 0"
      kill -USR1 "${ticking[@]}"            # report the window of this run
      sleep 0.4
      case $name in
        ours-qt) jitter=$(jitter_of "$work/oursqt.log") ;;
        before)  jitter=$(jitter_of "$work/before.log") ;;
        *)       jitter=$(jitter_of "$work/ours.log") ;;
      esac
      echo "$result $jitter" >>"$results"
    done
  done
done

echo "Median of $rounds runs of ${seconds} s each. tick: the real server's 180 ms timer during those"
echo "runs (for the reference rows it idles beside the loaded reference), worst |period - 180 ms|;"
echo "idle: the same with no load, worst of $rounds windows of ${seconds} s in the same rounds;"
echo "+load: tick - idle, what the load added."
printf '%-12s %7s %9s %9s %9s %11s %9s %9s %9s\n' server clients "req/s" "p50 us" "p99 us" \
       "CPU us/req" "tick ms" "idle ms" "+load ms"
for n in "${counts[@]}"; do
  for name in "${names[@]}"; do
    case $name in
      ours-qt|before) ticker=$name ;;
      *) ticker=ours ;;
    esac
    idle_ms=$(awk -v t="$ticker" '$1 == t && $2 > m {m = $2} END {printf "%.2f", m}' "$idle")
    awk -v name="$name" -v n="$n" -v idle="$idle_ms" '
      function median(a, k,   i, j, t) {
        for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
        return k % 2 ? a[(k + 1) / 2] : (a[k / 2] + a[k / 2 + 1]) / 2
      }
      $2 == name && $3 == n { k++; r[k] = $4; p50[k] = $5; p99[k] = $6; c[k] = $7
                              if ($8 > tick) tick = $8 }
      END { if (k) printf "%-12s %7d %9.0f %9.1f %9.1f %11.2f %9.2f %9.2f %+9.2f\n", name, n,
              median(r, k), median(p50, k), median(p99, k), median(c, k), tick, idle,
              tick - idle }' "$results"
  done
done
