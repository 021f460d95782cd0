#!/usr/bin/env bash
# Receipt encoding and logo raster: ours against two JavaScript ESC/POS
# encoders from the npm registry, measured one after the other, each warmed
# up, in ROUNDS rounds; the table gives each figure's median and the median
# of the rounds' ratios, so that a burst of other work on a shared machine
# moves no row. Needs node and npm; the peers are installed into
# bench/node_modules (ignored by git) on first use.
#   bench/encoding.sh [BUILD_DIR] [SECONDS_PER_FIGURE] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
seconds=${2:-3}
rounds=${3:-3}
program="$build/bench/encoding_bench"
[ -x "$program" ] || { echo "encoding.sh: build first (make build)" >&2; exit 1; }
command -v node >/dev/null && command -v npm >/dev/null ||
  { echo "encoding.sh: needs node and npm (apt-get install nodejs npm)" >&2; exit 1; }
[ -d bench/node_modules ] || npm install --prefix bench --no-audit --no-fund --silent

scratch=$(mktemp -d "${TMPDIR:-/tmp}/lumetra-encoding.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

node bench/encoder_peers.mjs --write-logo "$scratch/logo.png"
receipts=(bench/receipt_40_lines.json bench/receipt_40_lines_gbk.json)
for round in $(seq 1 "$rounds"); do
  "$program" --benchmark_format=json --benchmark_min_time="$seconds" \
    "${receipts[@]}" "$scratch/logo.png" >"$scratch/ours-$round.json"
  node bench/encoder_peers.mjs "${receipts[@]}" "$scratch/logo.png" "$seconds" >"$scratch/peers-$round.jsonl"
done
node bench/encoding_table.mjs "$scratch" "$rounds"
