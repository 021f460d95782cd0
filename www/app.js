// The demo till: an order built from the menu, and buttons that call the
// shell's native functions on `window` and show what they return.
'use strict';

const dishes = [
  ['宫保鸡丁', 38], ['鱼香肉丝', 32], ['麻婆豆腐', 22], ['清炒时蔬', 18], ['红烧排骨', 48],
  ['酸辣汤', 16], ['扬州炒饭', 20], ['米饭', 2], ['柠檬茶', 12]];
const order = new Map();
let customerDisplay = null;

const $ = (id) => document.getElementById(id);
const money = (value) => value.toFixed(2);

// A print task's JSON, logo and all, would flood the list.
function shortened(arg) {
  const text = JSON.stringify(arg);
  return text.length > 120 ? `${text.slice(0, 100)}…(${text.length})` : text;
}

// Runs one native function, if this build has it, and lists the call.
function call(name, ...args) {
  const entry = document.createElement('li');
  const fn = window[name];
  let result;
  if (typeof fn !== 'function') {
    entry.className = 'absent';
    entry.textContent = `${name}: 此版本未提供`;
  } else {
    result = fn(...args);
    const shown = args.map(shortened).join(', ');
    entry.textContent = `${name}(${shown}) → ${result === undefined ? 'undefined' : JSON.stringify(result)}`;
  }
  $('results').prepend(entry);
  return result;
}

function orderLines() {
  return [...order].map(([name, quantity]) => {
    const price = dishes.find(([dish]) => dish === name)[1];
    return { name, quantity, amount: money(price * quantity) };
  });
}

function orderTotal() {
  return orderLines().reduce((sum, line) => sum + Number(line.amount), 0);
}

function showOrder() {
  $('order-lines').replaceChildren(...orderLines().map(({ name, quantity, amount }) => {
    const item = document.createElement('li');
    item.innerHTML = '<span></span><span></span>';
    item.firstChild.textContent = `${name} × ${quantity}`;
    item.lastChild.textContent = `¥${amount}`;
    return item;
  }));
  $('total').textContent = `¥${money(orderTotal())}`;
  if (customerDisplay && !customerDisplay.closed) {
    customerDisplay.postMessage({ lines: orderLines(), total: money(orderTotal()) }, '*');
  }
}

function selectedPrinter() {
  const name = $('printer').value;
  if (!name) $('results').prepend(Object.assign(document.createElement('li'), { textContent: '请先选择打印机' }));
  return name;
}

function listPrinters() {
  const names = call('getPrinterList') || [];
  $('printer').replaceChildren(new Option('（未选择）', ''), ...names.map((name) => new Option(name, name)));
}

function printReceipt() {
  const printer = selectedPrinter();
  if (!printer || !call('openPrinter', printer)) return;
  const lines = ['Velmora 演示收银台', `单号 ${$('order-number').textContent}`, '------------------------------',
    ...orderLines().map(({ name, quantity, amount }) => `${name} x${quantity}  ${amount}`),
    '------------------------------', `合计 ${money(orderTotal())}`];
  if ($('note').value) lines.push(`备注 ${$('note').value}`);
  for (const line of lines) call('printText', printer, `${line}\n`);
  call('rollPaper', printer, 3);
  call('cutPaper', printer);
  call('closeCurPrinter', printer);
}

function currentOrder() {
  return { number: $('order-number').textContent, lines: orderLines(), total: money(orderTotal()), note: $('note').value };
}

function printSample(target, sentBy) {
  call('printTask', JSON.stringify(sampleReceiptTask(target, currentOrder(), sentBy)));
}

const printSampleOverNetwork = () =>
  printSample({ printerType: 3, ipaddress: demoSetup.networkPrinter }, `经网络打印机 ${demoSetup.networkPrinter} 打印`);
const printSampleThroughCups = () =>
  printSample({ printerType: 2, printerName: demoSetup.cupsQueue }, `经 CUPS 队列 ${demoSetup.cupsQueue} 打印`);

// The virtual printer rewrites latest.js after every receipt; loading it
// again and again is how a page from a file learns that a new one is there.
function watchVirtualPrinter() {
  let shown = null;
  window.virtualPrinterLatest = ({ picture, transcript }) => {
    if (!picture || picture === shown) return;
    shown = picture;
    $('receipt-picture').src = demoSetup.receipts + picture;
    $('receipt-caption').textContent = `${picture}（命令记录 ${transcript}）`;
  };
  $('receipt-picture').addEventListener('load', () => console.log(`receipt shown: ${shown}`));
  let loads = 0;
  const loadLatest = () => {
    const script = Object.assign(document.createElement('script'), { src: `${demoSetup.receipts}latest.js?${++loads}` });
    script.addEventListener('load', () => script.remove());
    script.addEventListener('error', () => script.remove());
    document.head.append(script);
  };
  loadLatest();
  setInterval(loadLatest, 500);
}

// The virtual printer's state line, "ok power=on online=no paper=out ...",
// in the staff's words.
function describePrinterState(line) {
  const state = Object.fromEntries(line.replace(/^ok /, '').split(' ').map((word) => word.split('=')));
  if (state.power === 'off') return '已关机（连接断开，缓冲的数据丢失）';
  const paper = { ok: '纸充足', 'near-end': '纸将用完', out: '缺纸' }[state.paper];
  const parts = [state.online === 'yes' ? '联机' : '脱机',
    state.lines === 'unlimited' ? paper : `${paper}（剩 ${state.lines} 行）`,
    state.cover === 'open' ? '纸仓盖打开' : '纸仓盖合上'];
  if (state.reading !== 'normal') parts.push(state.reading === 'stalled' ? '停止接收' : '接收缓慢');
  parts.push(`缓冲中 ${state.held} 字节未打印`);
  return parts.join(' · ');
}

// Asks the virtual printer's control port (it answers any page); shows the
// state it reports after the command.
async function tellVirtualPrinter(command) {
  let line;
  try {
    line = (await (await fetch(demoSetup.printerControl + command, { cache: 'no-store' })).text()).trim();
  } catch {
    line = null;
  }
  const state = $('printer-state');
  if (!line || !line.startsWith('ok ')) {
    state.textContent = `虚拟打印机控制端口无应答${line ? `：${line}` : ''}`;
    return;
  }
  if (state.dataset.line !== line) console.log(`printer state: ${line}`);
  state.dataset.line = line;
  state.textContent = `打印机：${describePrinterState(line)}`;
  state.classList.toggle('offline', !line.includes(' online=yes '));
}

// Paper runs out by itself too, and held bytes come and go: the state line
// follows the printer.
function startPrinterControls() {
  document.body.classList.add('with-printer-control');
  for (const button of document.querySelectorAll('[data-fault]')) {
    button.addEventListener('click', () => tellVirtualPrinter(button.dataset.fault));
  }
  tellVirtualPrinter('status');
  setInterval(() => tellVirtualPrinter('status'), 1000);
}

function startVirtualPrinterPanel() {
  if (!demoSetup.receipts) return;
  document.body.classList.add('with-virtual-printer');
  $('network-printer').textContent = demoSetup.networkPrinter;
  $('cups-queue').textContent = demoSetup.cupsQueue;
  $('printer').value = demoSetup.cupsQueue;  // stays unselected when CUPS does not list it
  $('print-sample-network').addEventListener('click', printSampleOverNetwork);
  $('print-sample-cups').addEventListener('click', printSampleThroughCups);
  watchVirtualPrinter();
  if (demoSetup.printerControl) startPrinterControls();
  if (demoSetup.autoprint) {
    printSampleOverNetwork();
    printSampleThroughCups();
  }
}

// Every printer the till knows of now: what waits, since when and why, as
// lumetraPrinters() and the lumetraprinters event tell it.
function showPrinterStates(printers) {
  const lines = printers.map((p) => {
    const line = document.createElement('li');
    const since = p.waiting > 0 ? `（${new Date(p.oldest * 1000).toLocaleTimeString('zh-CN')} 起）` : '';
    const why = [p.reason, p.condition].filter(Boolean).join(' / ');
    const held = p.held > 0 ? `，其中 ${p.held} 张待店员决定` : '';
    line.textContent = `${p.printer} [${p.kind === 'network' ? '网络' : 'CUPS'}] 等待 ${p.waiting}${held}${since}` +
      ` · 已打印 ${p.delivered} · 未接收 ${p.failed}${why ? ` · ${why}` : ''}`;
    line.classList.toggle('waiting', p.waiting > 0 || p.reason !== '');
    return line;
  });
  if (!lines.length) lines.push(Object.assign(document.createElement('li'), {textContent: '还没有打印机'}));
  $('printer-states').replaceChildren(...lines);
}

function watchPrinterStates() {
  if (typeof window.lumetraPrinters !== 'function') {
    $('printer-states').textContent = '（在 Lumetra 中打开时显示）';
    return;
  }
  showPrinterStates(window.lumetraPrinters());
  window.addEventListener('lumetraprinters', (event) => showPrinterStates(event.detail));
}

const actions = {
  printers: listPrinters,
  status: () => { const p = selectedPrinter(); if (p) call('getPrinterStatus', p); },
  drawer: () => { const p = selectedPrinter(); if (p && call('openPrinter', p)) call('openCashDraw', p); },
  cut: () => { const p = selectedPrinter(); if (p && call('openPrinter', p)) call('cutPaper', p); },
  models: () => call('getPrinterModelList'),
  serial: () => call('listSerialPort'),
  customer: () => {
    customerDisplay = window.open('customer.html', '顾客显示');
    customerDisplay.addEventListener('load', showOrder);
  },
};

function start() {
  $('dishes').replaceChildren(...dishes.map(([name, price]) => {
    const button = document.createElement('button');
    button.className = 'dish';
    button.innerHTML = '<b></b><span></span>';
    button.firstChild.textContent = name;
    button.lastChild.textContent = `¥${money(price)}`;
    button.addEventListener('click', () => { order.set(name, (order.get(name) || 0) + 1); showOrder(); });
    return button;
  }));
  for (const button of document.querySelectorAll('[data-call]')) {
    button.addEventListener('click', () => actions[button.dataset.call]());
  }
  $('clear-order').addEventListener('click', () => { order.clear(); showOrder(); });
  $('print-receipt').addEventListener('click', printReceipt);
  $('order-number').textContent = `#${String(Date.now() % 100000).padStart(5, '0')}`;
  const tick = () => { $('clock').textContent = new Date().toLocaleString('zh-CN'); };
  tick();
  setInterval(tick, 1000);
  for (const [name, quantity] of [['宫保鸡丁', 1], ['米饭', 2], ['柠檬茶', 1]]) order.set(name, quantity);
  showOrder();
  listPrinters();
  call('getPrinterModelList');
  watchPrinterStates();
  startVirtualPrinterPanel();
  console.log('demo ready');
}

start();
