#!/usr/bin/env bash
# MQTT figures against a real Mosquitto started here on a free loopback port.
#
#   bench/run_mqtt_bench.sh [latency|cpu|ticks|fleet|all]   (default all)
#
# latency: end of a polling cycle to a subscriber receiving its state.
# cpu:     main-thread CPU per cycle, publishing off and on.
# ticks:   polling tick deviation with MQTT off, a silent broker (accepts TCP,
#          never answers) and a host that drops SYNs, in one run.
# fleet:   N headless instances (default 100) on the simulated network, each
#          with its own interface serial and data port, one broker, one
#          subscriber counting every state of every cycle for DURATION seconds
#          (default 300); latency, lost states, broker and instance CPU.
#
# BUILD names a release build with orvane-monitor and tool_mqtt (default
# build/release: cmake -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${BUILD:-build/release}")
n=${N:-100}
duration=${DURATION:-300}
what=${1:-all}
tool=$build/bench/tool_mqtt
program=$build/src/orvane-monitor

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat > "$work/broker.conf" <<EOF
listener $port 127.0.0.1
allow_anonymous true
max_queued_messages 100000
user $(id -un)
EOF
mosquitto=$(command -v mosquitto || echo /usr/sbin/mosquitto)
"$mosquitto" -c "$work/broker.conf" 2> "$work/broker.log" &
broker=$!
pids+=("$broker")
for _ in $(seq 50); do
  (echo > "/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

cpu_seconds() { # total user+system CPU of the given pids, in seconds
  local ticks=0
  for pid in "$@"; do
    [ -r "/proc/$pid/stat" ] || continue
    read -r -a f < <(sed 's/.*) //' "/proc/$pid/stat")
    ticks=$((ticks + f[11] + f[12]))
  done
  echo "scale=1; $ticks / $(getconf CLK_TCK)" | bc
}

if [[ $what == latency || $what == all ]]; then
  "$tool" latency --port "$port" --cycles 2000
fi
if [[ $what == cpu || $what == all ]]; then
  "$tool" cpu --port "$port" --cycles 20000
fi
if [[ $what == ticks || $what == all ]]; then
  "$tool" ticks --seconds 60
fi
if [[ $what == fleet || $what == all ]]; then
  instances=()
  for i in $(seq 1 "$n"); do
    dir=$work/instance$i
    mkdir "$dir"
    cat > "$dir/scenario.json" <<EOF
{ "seed": $i,
  "devices": [ { "serial": "$(printf 'OVI%05d' "$i")", "description": "Orvane Interface",
                 "location": $((4000 + i)), "interface": true } ],
  "modules": [
    { "band": 0, "type": 1, "serial": "$(printf '0x1%05X' "$i")", "raw": [512, 300, 700, 150, 900], "wave": "sine" },
    { "band": 2, "type": 2, "serial": "$(printf '0x2%05X' "$i")", "raw": [819, 43, 512, 256, 100], "wave": "walk" } ] }
EOF
    printf '[mqtt]\nurl = mqtt://127.0.0.1:%d\n[data-service]\nport = %d\n' \
      "$port" $((20000 + i)) > "$dir/orvane-monitor.conf"
    (cd "$dir" && exec "$program" --headless --scenario scenario.json \
      --config orvane-monitor.conf > log.txt 2>&1) &
    instances+=($!)
    pids+=($!)
  done
  sleep 20 # every instance scanned and connected
  echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  before=$(cpu_seconds "${instances[@]}")
  "$tool" count --port "$port" --seconds "$duration" --broker-pid "$broker"
  after=$(cpu_seconds "${instances[@]}")
  echo "instances: $n, CPU $(echo "scale=1; 100 * ($after - $before) / $duration" | bc)% of one core" \
    "together; load after: $(cut -d' ' -f1-3 /proc/loadavg)"
  running=0
  for pid in "${instances[@]}"; do kill -0 "$pid" 2>/dev/null && running=$((running + 1)); done
  echo "instances still running: $running of $n"
fi
