// Prints the encoding benchmark table from the rounds of one run: our
// figures (Google Benchmark JSON, ours-N.json) beside the peers' (one JSON
// object per line, peers-N.jsonl), each the median of the rounds, with the
// median of the rounds' ratios to the fastest peer and the target.
//   node encoding_table.mjs FOLDER ROUNDS
import { readFileSync } from 'node:fs';

const [folder, roundsText] = process.argv.slice(2);
const rounds = Array.from({ length: Number(roundsText) }, (_, i) => i + 1).map((round) => ({
  ours: Object.fromEntries(JSON.parse(readFileSync(`${folder}/ours-${round}.json`, 'utf8')).benchmarks
    .map((b) => [b.name.replace(/\/real_time$/, ''), b.items_per_second])),
  peers: readFileSync(`${folder}/peers-${round}.jsonl`, 'utf8').trim().split('\n').map((line) => JSON.parse(line)),
}));

const median = (values) => {
  const sorted = values.filter((v) => v !== null).sort((a, b) => a - b);
  if (sorted.length === 0) return null;
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

// [what, our benchmark, the peers' field, target ratio (null: none)]
const rows = [
  ['40-line receipt, JSON text to bytes', 'receiptTaskToBytes/english', 'receiptsPerSecond', 60],
  ['40-line receipt, layout only', 'receiptLayoutOnly', 'receiptsPerSecond', null],
  ['40-line Chinese receipt (GBK), JSON text to bytes', 'receiptTaskToBytes/chinese', 'chineseReceiptsPerSecond', 60],
  ['576x576 logo to GS v 0 bands', 'logoToRasterBands', 'logosPerSecond', 10],
];
const peerNames = rounds[0].peers.map((p) => p.peer);
const fixed = (n) => (n === null ? 'n/a' : n.toFixed(n < 100 ? 1 : 0));
console.log(`| what (per second, warm; median of ${rounds.length} rounds) | Lumetra | ` + peerNames.join(' | ') +
            ' | ratio to fastest peer | target |');
console.log('|---|---:|' + peerNames.map(() => '---:|').join('') + '---:|---:|');
for (const [what, ours, field, target] of rows) {
  const ratios = rounds.map(({ ours: our, peers }) => our[ours] / Math.max(...peers.map((p) => p[field]).filter((n) => n !== null)));
  const peerMedians = peerNames.map((name) => median(rounds.map(({ peers }) => peers.find((p) => p.peer === name)[field])));
  console.log(`| ${what} | ${fixed(median(rounds.map(({ ours: our }) => our[ours])))} | ${peerMedians.map(fixed).join(' | ')} | ` +
              `${median(ratios).toFixed(1)}x | ${target === null ? '-' : `${target}x`} |`);
}
