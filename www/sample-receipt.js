// A whole receipt as one printTask, made from the till's order: a logo, the
// shop's name, the dishes with their prices, the total, the way it was sent
// and a cut.
'use strict';

const receiptColumns = 48;  // single-byte characters on 80 mm paper

// Printers count columns in GBK bytes: a Chinese character takes two.
const columnsOf = (text) => [...text].reduce((sum, ch) => sum + (ch.codePointAt(0) < 0x80 ? 1 : 2), 0);
const leftAndRight = (left, right) =>
  `${left}${' '.repeat(Math.max(1, receiptColumns - columnsOf(left) - columnsOf(right)))}${right}\n`;

const textItem = (content, remark = 0, para = []) => ({ type: 0, content, remark, paraLen: para.length, para });
const commandItem = (remark, para = []) => ({ type: 1, content: '', remark, paraLen: para.length, para });
const imageItem = (base64) => ({ type: 2, content: base64, remark: 0, paraLen: 0, para: [] });
const centred = [1];
const right = [2];

// Drawn here rather than shipped as a file: any PNG prints the same way.
function logoBase64() {
  const canvas = Object.assign(document.createElement('canvas'), { width: 576, height: 96 });
  const pen = canvas.getContext('2d');
  pen.fillStyle = 'white';
  pen.fillRect(0, 0, canvas.width, canvas.height);
  pen.fillStyle = 'black';
  pen.font = 'bold 52px "Noto Sans", sans-serif';
  pen.textAlign = 'center';
  pen.textBaseline = 'middle';
  pen.fillText('Velmora', canvas.width / 2, 42);
  pen.fillRect(144, 80, 288, 5);
  return canvas.toDataURL('image/png').split(',')[1];
}

// `target`: {printerType: 3, ipaddress} or {printerType: 2, printerName};
// `order`: {number, lines: [{name, quantity, amount}], total, note}.
function sampleReceiptTask(target, order, sentBy) {
  const rule = textItem(`${'-'.repeat(receiptColumns)}\n`);
  return {
    printerName: '', ipaddress: '', printerModel: '', printerWidth: receiptColumns, printerFlag: 0, ...target,
    contents: [
      imageItem(logoBase64()),
      textItem('Velmora 演示收银台', 7, centred),
      textItem(leftAndRight(`单号 ${order.number}`, new Date().toLocaleString('zh-CN'))),
      rule,
      ...order.lines.map(({ name, quantity, amount }) => textItem(leftAndRight(`${name} x${quantity}`, amount))),
      rule,
      textItem(`合计 ${order.total}`, 7, right),
      ...(order.note ? [textItem(`备注 ${order.note}\n`)] : []),
      textItem(sentBy, 4, centred),
      textItem('谢谢惠顾，欢迎再来', 4, centred),
      commandItem(0, [6]),
      commandItem(1),
    ],
  };
}
