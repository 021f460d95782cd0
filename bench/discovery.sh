#!/usr/bin/env bash
# Printer discovery at scale: wall time and peak threads and descriptors of one
# scan of a /24 and of a /20, each from a shop namespace joined by veth to a
# printers namespace with three printers (socat listeners on 9100). The
# namespaces are built here and hold only 10.77.x.y addresses; they, and the
# listeners, are removed on exit. Run as root after a build:
#   bench/discovery.sh [BUILD_DIR]
set -euo pipefail

build=${1:-build}
program=$(realpath "$build/bench/discovery_scan")
[ "$(id -u)" -eq 0 ] || { echo "discovery.sh: needs root for network namespaces" >&2; exit 1; }
[ -x "$program" ] || { echo "discovery.sh: build first (make build)" >&2; exit 1; }

prefix=lumetra7-bench-$$
namespaces=()
listeners=()
output=$(mktemp)

cleanup() {
  for pid in "${listeners[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for space in "${namespaces[@]}"; do ip netns del "$space" 2>/dev/null || true; done
  rm -f "$output"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

# build_network BITS SHOP PRINTERS: the shop at 10.77.16.1/BITS, printers
# listening on .20, .21 and .22.
build_network() {
  local bits=$1 shop=$2 printers=$3 host
  for space in "$shop" "$printers"; do
    ip netns add "$space"
    namespaces+=("$space")
    ip -n "$space" link set lo up
  done
  ip -n "$shop" link add lan0 type veth peer name lan0 netns "$printers"
  ip -n "$shop" addr add "10.77.16.1/$bits" dev lan0
  ip -n "$shop" link set lan0 up
  ip -n "$printers" link set lan0 up
  for host in 10.77.16.20 10.77.16.21 10.77.16.22; do
    ip -n "$printers" addr add "$host/$bits" dev lan0
    ip netns exec "$printers" socat "TCP-LISTEN:9100,bind=$host,reuseaddr,fork" /dev/null &
    listeners+=($!)
  done
  until [ "$(ip netns exec "$printers" ss -Hltn 'sport = :9100' | wc -l)" -eq 3 ]; do sleep 0.05; done
}

# scan BITS: one scan from a fresh network; prints a table row.
scan() {
  local bits=$1 shop=$prefix-shop$1 printers=$prefix-printers$1
  build_network "$bits" "$shop" "$printers"
  ip netns exec "$shop" "$program" >"$output" &
  local pid=$! threads=0 descriptors=0 now
  while kill -0 "$pid" 2>/dev/null; do
    now=$(awk '/^Threads:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
    [ "${now:-0}" -gt "$threads" ] && threads=$now
    now=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l || true)
    [ "$now" -gt "$descriptors" ] && descriptors=$now
    sleep 0.01
  done
  wait "$pid"
  local found seconds
  read -r found seconds <"$output"
  printf '| /%-6s | %12d | %7d | %8s | %12d | %16d |\n' "$bits" $(( (1 << (32 - bits)) - 2 )) \
    "$found" "$seconds" "$threads" "$descriptors"
}

echo "| subnet  | hosts probed |  found |   wall s | peak threads | peak descriptors |"
echo "|---------|--------------|--------|----------|--------------|------------------|"
scan 24
scan 20
