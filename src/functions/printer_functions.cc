#include "functions/printer_functions.h"

#include <string>

#include "base/utf.h"
#include "printer/ansi_text.h"
#include "printer/model_config_loader.h"
#include "printer/printer_commands.h"
#include "printer/printer_sessions.h"
#include "printer/spooler_document.h"
#include "tasks/image_text.h"

namespace lumetra {
namespace {

// The steps every direct output function shares: one output sequence; the
// session the first argument names must be open (else false); `plan` gives
// the writes from its command table (and the shared drawer pulse) under
// printerLock, and they go to the spooler once it is released.
template <typename Plan>
CallResult writeToOpenPrinter(Context& context, const CallArguments& arguments, Plan plan) {
  Printers& printers = context.printers;
  OutputSequence output(printers);
  platform::PrinterHandle handle;
  CommandWrites writes;
  {
    PrinterTables tables(printers);
    PrinterSession* session = tables.find(arguments.string(0));
    if (!session || !session->isOpen()) return CallResult::boolean(false);
    handle = session->handle;
    writes = plan(session->commands, tables.cashDrawer());
  }
  for (const std::string& write : writes) writeToPrinter(printers, handle, write);
  return CallResult::boolean(true);
}

void append(CommandWrites& writes, CommandWrites more) {
  for (std::string& write : more) writes.push_back(std::move(write));
}

}  // namespace

CallResult getPrinterList(Context& context, const CallArguments&) {
  platform::Spooler& spooler = context.printers.spooler;
  if (!spooler.ensureServiceRunning()) {
    tellStaff(context, "提示", "打印机检索服务失败！请检查!");
    return CallResult::strings({});
  }
  const std::vector<std::u16string> names = spooler.printerNames();
  if (names.empty()) return CallResult::undefined();
  CallResult::Strings printers;
  for (const std::u16string& name : names) {
    if (!isPseudoPrinter(name)) printers.push_back(utf16ToUtf8(name));
  }
  return CallResult::strings(std::move(printers));
}

CallResult openPrinter(Context& context, const CallArguments& arguments) {
  OutputSequence output(context.printers);
  return CallResult::boolean(openPrinterSession(context.printers, arguments.string(0)));
}

CallResult openPrinterWithModel(Context& context, const CallArguments& arguments) {
  Printers& printers = context.printers;
  OutputSequence output(printers);
  const std::u16string name = arguments.string(0);
  if (!openPrinterSession(printers, name)) return CallResult::boolean(false);
  PrinterTables tables(printers);
  PrinterSession* session = tables.find(name);
  if (!session) return CallResult::boolean(false);
  session->modelName = arguments.string(1);
  loadModelConfig(session->commands, session->modelName);
  return CallResult::boolean(true);
}

CallResult closeCurPrinter(Context& context, const CallArguments& arguments) {
  OutputSequence output(context.printers);
  closePrinterSession(context.printers, arguments.string(0), true);
  return CallResult::undefined();
}

CallResult printText(Context& context, const CallArguments& arguments) {
  return writeToOpenPrinter(context, arguments, [&](PrinterModelConfig& table, CashDrawerCommand&) {
    CommandWrites writes;
    if (arguments.count() == 3) {
      chooseCharacterSize(table, arguments.utf8(2));
      writes.push_back(sizeCommand(table));
    }
    append(writes, textThenNormalSize(table, bytesUpToNul(toAnsiBytes(arguments.string(1)))));
    return writes;
  });
}

CallResult openCashDraw(Context& context, const CallArguments& arguments) {
  return writeToOpenPrinter(context, arguments, [&](PrinterModelConfig&, CashDrawerCommand& drawer) {
    std::optional<std::array<std::int32_t, 3>> pulse;
    if (arguments.count() == 4) pulse = {arguments.integer(1), arguments.integer(2), arguments.integer(3)};
    return CommandWrites{cashDrawerCommand(drawer, pulse)};
  });
}

CallResult cutPaper(Context& context, const CallArguments& arguments) {
  return writeToOpenPrinter(context, arguments, [&](PrinterModelConfig& table, CashDrawerCommand&) {
    // Only the presence of the second argument counts, never its value.
    if (arguments.count() > 2) return CommandWrites{};
    return CommandWrites{cutCommand(table, arguments.count() == 2)};
  });
}

CallResult rollPaper(Context& context, const CallArguments& arguments) {
  return writeToOpenPrinter(context, arguments, [&](PrinterModelConfig& table, CashDrawerCommand&) {
    return feedWrites(table, feedUnitsForLines(arguments.integer(1)));
  });
}

CallResult getPrinterStatus(Context& context, const CallArguments& arguments) {
  // The handle as it is: a printer that is not open has nothing to report.
  const platform::PrinterHandle handle = sessionHandle(context.printers, arguments.string(0));
  return CallResult::boolean(printerCanPrint(context.printers.spooler, handle));
}

CallResult getPrinterModelList(Context&, const CallArguments&) { return CallResult::strings(modelNames()); }

CallResult getPrinterDiffConfig(Context& context, const CallArguments& arguments) {
  PrinterTables tables(context.printers);
  PrinterSession* session = tables.session(arguments.string(0));
  if (!session) return CallResult::boolean(false);
  loadModelConfig(session->commands, arguments.string(1));
  return CallResult::undefined();
}

CallResult startPrintTask(Context& context, const CallArguments& arguments) {
  Printers& printers = context.printers;
  const std::u16string name = arguments.string(0);
  std::optional<std::pair<std::string, std::string>> failure;
  {
    OutputSequence output(printers);
    platform::PrinterHandle handle = sessionHandle(printers, name);
    if (handle == platform::kNoPrinterHandle && openPrinterSession(printers, name)) {
      handle = sessionHandle(printers, name);
    }
    if (handle == platform::kNoPrinterHandle) {
      failure = {utf16ToUtf8(name), "开启打印机失败！"};
    } else {
      const DocumentStartResult start = startSpoolerDocument(printers, name, handle);
      if (start.outcome == DocumentStart::documentRefused) failure = {"StartDocPrinter", std::to_string(start.error)};
      if (start.outcome == DocumentStart::pageRefused) failure = {"StartPagePrinter", std::to_string(start.error)};
    }
  }
  if (!failure) return CallResult::boolean(true);
  tellStaff(context, failure->first, failure->second);
  return CallResult::boolean(false);
}

CallResult endPrintTask(Context& context, const CallArguments& arguments) {
  Printers& printers = context.printers;
  const std::u16string name = arguments.string(0);
  OutputSequence output(printers);
  const platform::PrinterHandle handle = sessionHandle(printers, name);
  if (handle == platform::kNoPrinterHandle) return CallResult::boolean(false);
  return CallResult::boolean(endSpoolerDocument(printers, name, handle));
}

CallResult printTagContent(Context& context, const CallArguments& arguments) {
  return writeToOpenPrinter(context, arguments, [&](PrinterModelConfig&, CashDrawerCommand&) {
    const std::u16string text = arguments.string(1);
    // An empty text still goes out as one byte, a NUL, as label set-ups in
    // the field have always received it.
    std::string label = text.empty() ? std::string(1, '\0') : std::string(bytesUpToNul(toAnsiBytes(text)));
    return CommandWrites{std::move(label), "\r\n"};
  });
}

CallResult printLogo(Context& context, const CallArguments& arguments) {
  Printers& printers = context.printers;
  OutputSequence output(printers);
  platform::PrinterHandle handle;
  std::optional<std::string> raster;
  {
    PrinterTables tables(printers);
    const PrinterSession* session = tables.find(arguments.string(0));
    if (!session || !session->isOpen()) return CallResult::boolean(true);
    raster = rasterForImageText(arguments.utf8(1), session->commands);
    handle = session->handle;
  }
  if (raster && handle != platform::kNoPrinterHandle) writeToPrinter(printers, handle, *raster);
  return CallResult::boolean(true);
}

CallResult checkImage(Context&, const CallArguments& arguments) {
  const std::optional<unsigned> width = imageTextWidth(arguments.utf8(0));
  return CallResult::boolean(width && (*width == 384u || *width == 576u));
}

}  // namespace lumetra
