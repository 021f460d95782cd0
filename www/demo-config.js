// What `make demo` set up around the till. The script writes its own copy of
// this file next to the page it shows; this one, with no virtual printer,
// hides the receipt panel.
window.demoSetup = {
  receipts: null,        // file:// URL of the virtual printer's folder, ending in "/"
  networkPrinter: null,  // its address on port 9100, for printerType 3
  printerControl: null,  // http://ADDRESS:PORT/ of its control: buttons for paper, cover and power
  cupsQueue: null,       // the raw CUPS queue whose device it is, for printerType 2
  autoprint: false,      // print both sample receipts as soon as the page is up
};
