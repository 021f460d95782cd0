// Prints the encoding benchmark table: our figures (Google Benchmark JSON)
// beside the peers' (one JSON object per line), with the ratio to the
// fastest peer.
//   node encoding_table.mjs OURS.json PEERS.jsonl
import { readFileSync } from 'node:fs';

const ours = Object.fromEntries(
  JSON.parse(readFileSync(process.argv[2], 'utf8')).benchmarks.map((b) => [b.name, b.items_per_second]));
const peers = readFileSync(process.argv[3], 'utf8').trim().split('\n').map((line) => JSON.parse(line));

const rows = [
  ['40-line receipt, JSON text to bytes', ours['receiptTaskToBytes/english'], 'receiptsPerSecond', 20],
  ['40-line receipt, layout only', ours.receiptLayoutOnly, 'receiptsPerSecond', 20],
  ['40-line Chinese receipt (GBK), JSON text to bytes', ours['receiptTaskToBytes/chinese'], 'chineseReceiptsPerSecond', 20],
  ['576x576 logo to GS v 0 bands', ours.logoToRasterBands, 'logosPerSecond', 5],
];
const fixed = (n) => (n === null ? 'n/a' : n.toFixed(n < 100 ? 1 : 0));
console.log('| what (per second, warm) | Lumetra | ' + peers.map((p) => p.peer).join(' | ') +
            ' | ratio to fastest peer | target |');
console.log('|---|---:|' + peers.map(() => '---:|').join('') + '---:|---:|');
for (const [what, our, field, target] of rows) {
  const fastest = Math.max(...peers.map((p) => p[field]).filter((n) => n !== null));
  console.log(`| ${what} | ${fixed(our)} | ${peers.map((p) => fixed(p[field])).join(' | ')} | ` +
              `${(our / fastest).toFixed(1)}x | ${target}x |`);
}
