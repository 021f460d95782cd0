#!/usr/bin/env bash
# Printer discovery at scale: wall time, peak threads and descriptors, and
# neighbour table overflows (packets the kernel dropped for want of an entry:
# a printer behind one would be missed) of one scan of a /24, a /20 and a /16,
# each from a shop namespace joined by veth to a printers namespace with four
# printers (socat listeners on 9100), one of them on the subnet's last host.
# The kernel's neighbour table is shared by the whole machine and bounds how
# many addresses can be tried at once; the last row gives it the size the
# package sets on a till (packaging/10-lumetra-neighbours.conf) for its scan
# and puts it back. The namespaces are built here and hold only
# 10.77.x.y addresses; they, the listeners and the table size are restored on
# exit. Run as root after a build:
#   bench/discovery.sh [BUILD_DIR]
set -euo pipefail

build=${1:-build}
program=$(realpath "$build/bench/discovery_scan")
[ "$(id -u)" -eq 0 ] || { echo "discovery.sh: needs root for network namespaces" >&2; exit 1; }
[ -x "$program" ] || { echo "discovery.sh: build first (make build)" >&2; exit 1; }

prefix=lumetra7-bench-$$
rows=0  # each row's namespaces are its own, whatever table sizes rows share
namespaces=()
listeners=()
output=$(mktemp)
table_size=/proc/sys/net/ipv4/neigh/default/gc_thresh3
default_table=$(cat "$table_size")

cleanup() {
  echo "$default_table" >"$table_size"
  for pid in "${listeners[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  for space in "${namespaces[@]}"; do ip netns del "$space" 2>/dev/null || true; done
  rm -f "$output"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

# last_host BITS: the subnet's last host address (the scan's last probe).
last_host() {
  local size=$(( 1 << (32 - $1) )) base=$(( (77 << 16) + (16 << 8) ))
  local last=$(( base / size * size + size - 2 ))
  echo "10.$(( last >> 16 )).$(( (last >> 8) & 255 )).$(( last & 255 ))"
}

# table_overflows: how often the kernel could not add a neighbour entry, so
# far (machine-wide).
table_overflows() {
  local columns
  read -r -a columns < <(tail -n 1 /proc/net/stat/arp_cache)
  echo $(( 16#${columns[12]} ))
}

# build_network BITS SHOP PRINTERS: the shop at 10.77.16.1/BITS, printers
# listening on .20, .21, .22 and the subnet's last host.
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
  for host in 10.77.16.20 10.77.16.21 10.77.16.22 "$(last_host "$bits")"; do
    ip -n "$printers" addr add "$host/$bits" dev lan0
    ip netns exec "$printers" socat "TCP-LISTEN:9100,bind=$host,reuseaddr,fork" /dev/null &
    listeners+=($!)
  done
  until [ "$(ip netns exec "$printers" ss -Hltn 'sport = :9100' | wc -l)" -eq 4 ]; do sleep 0.05; done
}

# scan BITS TABLE TARGET: one scan from a fresh network with a neighbour
# table of TABLE entries; prints a table row.
scan() {
  rows=$((rows + 1))
  local bits=$1 table=$2 target=$3 shop=$prefix-shop$rows printers=$prefix-printers$rows
  build_network "$bits" "$shop" "$printers"
  echo "$table" >"$table_size"
  local overflows_before
  overflows_before=$(table_overflows)
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
  echo "$default_table" >"$table_size"
  local found seconds
  read -r found seconds <"$output"
  printf '| /%-3s | %15d | %12d | %5s | %8s | %-8s | %12d | %16d | %9d |\n' "$bits" "$table" \
    $(( (1 << (32 - bits)) - 2 )) "$found/4" "$seconds" "$target" "$threads" "$descriptors" \
    $(( $(table_overflows) - overflows_before ))
}

echo "| subnet | neighbour table | hosts probed | found |   wall s | target   | peak threads | peak descriptors | overflows |"
echo "|--------|-----------------|--------------|-------|----------|----------|--------------|------------------|-----------|"
scan 24 "$default_table" "~3 s"
scan 20 "$default_table" "-"
scan 16 "$default_table" "< 60 s"
package_table=$(awk -F= '/^net.ipv4.neigh.default.gc_thresh3/ { print $2 + 0 }' "$(dirname "$0")/../packaging/10-lumetra-neighbours.conf")
scan 16 "$package_table" "< 60 s"
