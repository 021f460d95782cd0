// The JavaScript peers of the encoding benchmarks: the same 40-line receipt
// task (in English and in Chinese) and the same logo, encoded to ESC/POS by
// two encoders from the npm registry, each warmed up first. Prints one JSON
// object per peer; a peer that cannot encode Chinese text (it prints "?")
// has no Chinese figure.
//   node encoder_peers.mjs RECEIPT.json CHINESE_RECEIPT.json LOGO.png SECONDS
//   node encoder_peers.mjs --write-logo LOGO.png
import { readFileSync, writeFileSync } from 'node:fs';
import { PNG } from 'pngjs';
import ReceiptPrinterEncoder from '@point-of-sale/receipt-printer-encoder';
import receiptline from 'receiptline';

const kLogoSide = 576;

// A photo-like logo: shaded rings over a diagonal gradient, so that
// dithering has real work on every row.
function writeLogo(path) {
  const png = new PNG({ width: kLogoSide, height: kLogoSide });
  for (let y = 0; y < kLogoSide; ++y) {
    for (let x = 0; x < kLogoSide; ++x) {
      const dx = x - kLogoSide / 2, dy = y - kLogoSide / 2;
      const ring = (Math.sin(Math.sqrt(dx * dx + dy * dy) / 9) + 1) * 64;
      const grey = Math.min(255, Math.round(ring + (x + y) * 127 / (2 * kLogoSide)));
      const at = (y * kLogoSide + x) * 4;
      png.data[at] = png.data[at + 1] = png.data[at + 2] = grey;
      png.data[at + 3] = 255;
    }
  }
  writeFileSync(path, PNG.sync.write(png));
}

const alignment = (item) => ['left', 'center', 'right'][item.para?.[0] ?? 0] ?? 'right';
// Character size (width, height) of a text item's remark, as our layout reads it.
const sizeOf = (remark) => ({ 3: [2, 2], 7: [2, 2], 1: [1, 2], 5: [1, 2], 2: [2, 1], 6: [2, 1] })[remark] ?? [1, 1];

function encoderReceipt(task) {
  const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: task.printerWidth });
  encoder.initialize();
  for (const item of task.contents) {
    if (item.type === 0) {
      const [width, height] = sizeOf(item.remark);
      encoder.align(alignment(item)).size(width, height).line(item.content).size(1, 1);
    } else if (item.remark === 0) {
      encoder.newline(3);
    } else if (item.remark === 1) {
      encoder.cut();
    } else if (item.remark === 2) {
      encoder.pulse();
    }
  }
  return encoder.encode();
}

const escapeMarkup = (text) => text.replace(/[\\|{}\-=~_"`^]/g, (c) => '\\' + c);

function receiptlineDocument(task) {
  const lines = [];
  for (const item of task.contents) {
    if (item.type === 0) {
      const [width, height] = sizeOf(item.remark);
      const size = width === 2 && height === 2 ? '^^^' : height === 2 ? '^^' : width === 2 ? '^' : '';
      const text = size + escapeMarkup(item.content);
      lines.push({ left: '|' + text, center: text, right: text + '|' }[alignment(item)]);
    } else if (item.remark === 0) {
      lines.push('', '', '');
    } else if (item.remark === 1) {
      lines.push('=');
    } else if (item.remark === 2) {
      lines.push('{command:\\x1bp\\x00\\x19\\xfa}');
    }
  }
  return lines.join('\n');
}

const receiptlinePrinter = { cpl: 48, encoding: 'cp437', command: 'escpos', gradient: true };
const receiptlineChinesePrinter = { ...receiptlinePrinter, encoding: 'cp936' };

// Runs `work` for `seconds` after a warm-up of the same length; runs per second.
function perSecond(work, seconds) {
  for (const phase of ['warm-up', 'measure']) {
    const start = process.hrtime.bigint();
    const end = start + BigInt(Math.round(seconds * 1e9));
    let runs = 0;
    let now = start;
    while (now < end) {
      work();
      ++runs;
      now = process.hrtime.bigint();
    }
    if (phase === 'measure') return runs / (Number(now - start) / 1e9);
  }
}

if (process.argv[2] === '--write-logo') {
  writeLogo(process.argv[3]);
} else {
  const [receiptPath, chineseReceiptPath, logoPath, secondsText] = process.argv.slice(2);
  const seconds = Number(secondsText);
  const task = JSON.parse(readFileSync(receiptPath, 'utf8'));
  const chineseTask = JSON.parse(readFileSync(chineseReceiptPath, 'utf8'));
  const logoFile = readFileSync(logoPath);
  const logoText = logoFile.toString('base64');

  const encoderLogo = () => {
    const png = PNG.sync.read(logoFile);
    return new ReceiptPrinterEncoder({ language: 'esc-pos', imageMode: 'raster', columns: 48 })
      .initialize()
      .image({ data: png.data, width: png.width, height: png.height }, png.width, png.height, 'floydsteinberg')
      .encode();
  };
  const receiptlineLogo = () => receiptline.transform(`{image:${logoText}}`, receiptlinePrinter);

  const peers = [
    { peer: '@point-of-sale/receipt-printer-encoder', receipt: () => encoderReceipt(task), logo: encoderLogo },
    {
      peer: 'receiptline',
      receipt: () => receiptline.transform(receiptlineDocument(task), receiptlinePrinter),
      chineseReceipt: () => receiptline.transform(receiptlineDocument(chineseTask), receiptlineChinesePrinter),
      logo: receiptlineLogo,
    },
  ];
  for (const { peer, receipt, chineseReceipt, logo } of peers) {
    console.log(JSON.stringify({
      peer,
      receiptBytes: receipt().length,
      receiptsPerSecond: perSecond(receipt, seconds),
      chineseReceiptsPerSecond: chineseReceipt ? perSecond(chineseReceipt, seconds) : null,
      logoBytes: logo().length,
      logosPerSecond: perSecond(logo, seconds),
    }));
  }
}
