// The native functions Lumetra puts on `window`, for POS web apps written in
// TypeScript. docs/window-api.md explains each one with examples.
//
// Every function is synchronous and never throws. Only the number of
// arguments is checked: a wrong count gives `false` (or `undefined` where the
// result type says so) and does nothing. Texts are sent to printers and
// displays in GBK; characters GBK cannot hold print as "?".

export {};

declare global {
  /** One printer's state, as lumetraPrinters() and the lumetraprinters event give it (docs/window-api.md). */
  interface LumetraPrinterState {
    /** The network printer's IPv4 address, or the spooler queue's name. */
    printer: string;
    kind: "network" | "spooler";
    /** Tickets handed over and not yet confirmed by the printer. */
    waiting: number;
    /** When the oldest waiting ticket was handed over, in Unix seconds; 0 when none waits. */
    oldest: number;
    /** Of the waiting tickets, those held for their age until the staff print or discard them. */
    held: number;
    /** Why tickets wait or are refused, or "moved-to-backup", as a code word ("paper-end", "unanswered", …); "" for none. */
    reason: string;
    /** What the printer reports of itself ("paper-near-end", …); "" for none. */
    condition: string;
    /** Tickets the printer confirmed since the web process started. */
    delivered: number;
    /** Tickets refused at hand-over since the web process started: they never print. */
    failed: number;
  }

  interface WindowEventMap {
    /** Dispatched whenever any printer's state changes; `detail` is every printer's state. */
    lumetraprinters: CustomEvent<LumetraPrinterState[]>;
  }

  /** Character size for printText, printTextByNet and kitchen items. Any other text keeps the size last used. */
  type LumetraSize = "zoomIn" | "zoomH" | "zoomW";

  /**
   * What every item of a print task has. An item built as a plain object
   * literal, whose `type` and `remark` the compiler infers as `number`, is one
   * of these; the three kinds below spell out what each `type` means.
   * Only the first five `para` values count; `paraLen` of them are used.
   */
  interface LumetraItem {
    /** 0 text, 1 printer command, 2 image; items of other types print nothing. */
    type: number;
    content: string;
    remark: number;
    paraLen?: number;
    para?: readonly number[];
  }

  /** Text item of a print task (`type: 0`). */
  interface LumetraTextItem extends LumetraItem {
    type: 0;
    /** The text. Remarks 0-3 add no line end: finish lines with "\n". */
    content: string;
    /**
     * 0 normal size; 1 double height; 2 double width; 3 double width and height;
     * 4-7 a line aligned by para[0] (0 left, 1 centre, 2 right), padded to
     * printerWidth (4 normal, 5 double height) or printerWidth / 2 (6 double
     * width, 7 both) and ended with a line feed; 9 the text then CR LF; other
     * values the text at the current size.
     */
    remark: number;
  }

  /** Printer command item of a print task (`type: 1`). */
  interface LumetraCommandItem extends LumetraItem {
    type: 1;
    /** Ignored; write "". */
    content: string;
    /**
     * 0 feed para[0] units of 7 dots; 1 cut; 2 cash drawer pulse
     * ESC p para[0] para[1] para[2]; 3 beep.
     */
    remark: 0 | 1 | 2 | 3;
  }

  /** Image item of a print task (`type: 2`): printed at the left edge, one dot per pixel. */
  interface LumetraImageItem extends LumetraItem {
    type: 2;
    /** An image file (PNG, JPEG, BMP or GIF) in standard base64, no data: prefix. 384 or 576 pixels wide. */
    content: string;
  }

  type LumetraContentItem = LumetraTextItem | LumetraCommandItem | LumetraImageItem | LumetraItem;

  /** One receipt or ticket for one printer: the JSON given to printTask. */
  interface LumetraPrintTask {
    /** CUPS queue name, used when printerType is 2. Always write it. */
    printerName: string;
    /** Printer IPv4 address, port 9100, used when printerType is 3. Always write it. */
    ipaddress: string;
    /** 2 local (CUPS) printer, 3 network printer; other values print nothing. */
    printerType: number;
    /** Model settings dev/MODEL.ini for a local printer ("" means "RQ2"); network printers use "QV52K". */
    printerModel: string;
    /** Columns of single-byte characters for padded lines: 48 on 80 mm paper, 32 on 58 mm. */
    printerWidth: number;
    /** Carried along; no effect. */
    printerFlag?: number;
    contents: readonly LumetraContentItem[];
  }

  interface Window {
    // Local printers (CUPS queues)

    /** CUPS printer names without those containing "Microsoft" or "Fax"; undefined when there is no printer; [] when CUPS cannot be reached. */
    getPrinterList(): string[] | undefined;
    /** Opens the printer; true when it exists. Loads no model. */
    openPrinter(name: string): boolean;
    /** Opens the printer and loads dev/MODEL.ini for it; true when it exists. */
    openPrinterWithModel(name: string, model: string): boolean;
    /** Closes the printer and forgets its model settings. */
    closeCurPrinter(name: string): undefined | false;
    /** Prints text (no line end added) at `size`, then returns to normal size; true when the printer is open. */
    printText(name: string, text: string, size?: LumetraSize | string): boolean;
    /** Prints a base64 image; true whenever given two arguments. */
    printLogo(name: string, image: string): boolean;
    /** Pulses the cash drawer (ESC p m t1 t2, default 1 50 50; given values stay for later calls); true when the printer is open. */
    openCashDraw(name: string, m?: number, t1?: number, t2?: number): boolean;
    /** Cuts; with a second argument of any value, the model's other (partial) cut from now on. True when the printer is open. */
    cutPaper(name: string, other?: unknown): boolean;
    /** Feeds `lines` units of 7 dots; true when the printer is open. */
    rollPaper(name: string, lines: number): boolean;
    /** false when CUPS reports the printer cannot print now (stopped, offline, out of paper, jam...). */
    getPrinterStatus(name: string): boolean;
    /** Starts a CUPS job on the printer (opening it if needed); false after a message when it cannot. */
    startPrintTask(name: string): boolean;
    /** Ends the job and closes the printer; true when the job was finished cleanly. */
    endPrintTask(name: string): boolean;
    /** Sends label command text as it is, then CR LF; true when the printer is open. */
    printTagContent(name: string, text: string): boolean;
    /** true when the base64 image is 384 or 576 pixels wide. */
    checkImage(image: string): boolean;

    // Printer models

    /** Model names from dev/*.ini, in the folder's order. */
    getPrinterModelList(): string[];
    /** Loads dev/MODEL.ini (dev/normal.ini for "") as the printer's command bytes. */
    getPrinterDiffConfig(name: string, model: string): undefined | false;

    // Whole receipts

    /** Prints a JSON print task or array of tasks; unreachable printers' tasks wait and are retried. */
    printTask(tasks: string): undefined;

    // Network printers on port 9100, slots 0-5

    /** Binds slot 0-5 to the printer at `address`; true for slots 0-5, false for another slot. */
    startIPPrintTask(address: string, slot: number): boolean;
    /** Closes every slot's connection and forgets the addresses. */
    endIPPrintTask(): undefined;
    /** printText for the slot's printer. */
    printTextByNet(slot: number, text: string, size?: LumetraSize | string): undefined;
    /** rollPaper for the slot's printer. */
    rollPaperByNet(slot: number, lines: number): undefined;
    /** cutPaper for the slot's printer. */
    cutPaperByNet(slot: number, other?: unknown): undefined;
    /** Addresses answering on port 9100 in the local subnets, in answer order; blocks ~3 s per 256 addresses. */
    getIPPrinterList(): string[] | undefined;

    // Kitchen tickets

    /** Queues a ticket item for a slot: signal (1: buzzer), lead as is, body at size, feed dots, cut. */
    addMultiPrinterTaskItem(
      slot: number,
      lead: string,
      body: string,
      size: LumetraSize | string,
      feedLines: number,
      cut: boolean,
      signal: number,
    ): undefined | false;
    /** Connects the bound slots and prints every queued item; the queue stays when a slot cannot be connected. */
    printMultiKitchenTaskList(): undefined;

    // Serial customer display (2400 baud, 8N1)

    /** Serial port names, ready for openSerialPort. */
    listSerialPort(): string[];
    /** Opens a port (name, absolute path or COM1..COM256), closing the one open before. */
    openSerialPort(port: string): boolean;
    closeSerialPort(): undefined;
    /** Shows text with indicator n (ESC s n ESC Q A text CR); false when no port is open. */
    sendData2SerialPort(indicator: number, text: string): boolean;
    /** Sends the status request DLE EOT 3; false when no port is open. */
    sendData2SerialPortRAW(): boolean;

    // Desktop helpers

    /** Number of monitors; 0 on a Wayland desktop without XWayland. */
    getMonitors(): number;
    /** Minimises the first top-level window titled exactly `title`; true found or not. */
    setWindowMinisize(title: string): boolean;
    /** Asks the window titled exactly `title` to close; true found or not. */
    closeOtherWindow(title: string): boolean;
    /** Starts `node node-service/Main.js` in the shell's folder, unless it runs already. */
    startNodeScript(): undefined;
    /** Ends the running script. */
    endNodeScript(): undefined;
    /** Asks the user, then on Yes starts the updater with these arguments; true either way. */
    downloadUpdate(parameters: string): boolean;
    /** Full path of the MP3 file chosen; undefined when cancelled. */
    selectFile(): string | undefined;

    // Not one of the 37: the printers' state (docs/window-api.md)

    /** Every printer's state now, as the lumetraprinters event gives it. */
    lumetraPrinters(): LumetraPrinterState[];
  }
}
