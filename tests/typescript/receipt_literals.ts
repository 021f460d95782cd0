// Compiled with tsc against www/lumetra.d.ts (no output): receipt data the
// way a POS app builds it must be accepted, and wrong data refused.
/// <reference path="../../www/lumetra.d.ts" />

const title = { type: 0, content: "Velmora\n", remark: 3, paraLen: 0, para: [] };
const line = { type: 0, content: "宫保鸡丁", remark: 4, paraLen: 1, para: [0] };
const cut = { type: 1, content: "", remark: 1 };
const items = [title, line];
items.push({ type: 2, content: "iVBORw0KGgo=", remark: 0, paraLen: 0, para: [] });

const task: LumetraPrintTask = {
  printerName: "Receipt",
  ipaddress: "",
  printerType: 2,
  printerModel: "",
  printerWidth: 48,
  contents: [...items, cut, { type: 1, content: "", remark: 0, paraLen: 1, para: [3] }] as const,
};
window.printTask(JSON.stringify([task]));

const typed: LumetraCommandItem = { type: 1, content: "", remark: 2, paraLen: 3, para: [0, 60, 120] };
window.printTask(JSON.stringify({ ...task, contents: [typed] }));

// The printers' state: the event's detail is typed, and so is the function.
window.addEventListener("lumetraprinters", (event) => {
  const waiting: number = event.detail.filter((p) => p.reason !== "").length;
  const since: Date = new Date(event.detail[0].oldest * 1000);
  console.log(waiting, since, window.lumetraPrinters()[0].kind === "spooler");
});
// @ts-expect-error the kind is one of two words
const kind: LumetraPrinterState["kind"] = "usb";

// @ts-expect-error an item needs its content
const noContent: LumetraContentItem = { type: 0, remark: 0 };
// @ts-expect-error para holds numbers
const textPara: LumetraContentItem = { type: 0, content: "", remark: 0, para: ["0"] };
// @ts-expect-error printTask takes JSON text, not the object
window.printTask(task);
export { noContent, textPara, kind };
