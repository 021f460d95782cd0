// Shared by the test pages: reports what a document sees through console.log,
// which the shell writes to console.log for the test to read.
const allWindowFunctions = [
  'getPrinterList', 'openPrinter', 'openPrinterWithModel', 'closeCurPrinter', 'printText',
  'printTextByNet', 'printLogo', 'openCashDraw', 'cutPaper', 'rollPaper', 'listSerialPort',
  'openSerialPort', 'closeSerialPort', 'sendData2SerialPort', 'sendData2SerialPortRAW',
  'getPrinterStatus', 'setWindowMinisize', 'downloadUpdate', 'checkImage', 'getMonitors',
  'closeOtherWindow', 'printTagContent', 'startPrintTask', 'endPrintTask', 'startNodeScript',
  'endNodeScript', 'selectFile', 'getPrinterModelList', 'getPrinterDiffConfig', 'rollPaperByNet',
  'cutPaperByNet', 'getIPPrinterList', 'startIPPrintTask', 'endIPPrintTask',
  'addMultiPrinterTaskItem', 'printMultiKitchenTaskList', 'printTask'];

function reportFunctions(label) {
  const present = allWindowFunctions.filter((name) => typeof window[name] === 'function');
  console.log(`${label} functions: ${present.join(',')}`);
  console.log(`${label} queries: ${typeof window.cefQuery},${typeof window.cefQueryCancel}`);
}
