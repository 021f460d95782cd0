#include "jobs/print_task_output.h"

#include <optional>

#include "jobs/image_text.h"
#include "jobs/task_layout.h"
#include "net/print_target.h"
#include "printer/model_config_loader.h"
#include "printer/printer_sessions.h"
#include "printer/spooler_document.h"

namespace lumetra {
namespace {

constexpr char16_t kDefaultTaskModel[] = u"RQ2";

// A printer that is already open keeps its handle and its command table.
std::optional<platform::PrinterHandle> openSpoolerPrinter(Printers& printers, const std::u16string& printerName,
                                                          const std::u16string& model) {
  if (const platform::PrinterHandle open = sessionHandle(printers, printerName); open != platform::kNoPrinterHandle) {
    return open;
  }
  const std::optional<platform::PrinterHandle> handle = printers.spooler.open(printerName);
  if (!handle) return std::nullopt;
  MutexLock lock(printers.printerLock);
  PrinterSession& session = findOrCreateSession(printers, printerName);
  session.handle = *handle;
  session.modelName = model.empty() ? kDefaultTaskModel : model;
  loadModelConfig(session.commands, session.modelName);
  return handle;
}

int openSpoolerDocument(Printers& printers, const std::u16string& printerName, const std::u16string& model) {
  const std::optional<platform::PrinterHandle> handle = openSpoolerPrinter(printers, printerName, model);
  if (!handle) return kTaskPrinterNotOpened;
  switch (startSpoolerDocument(printers, printerName, *handle).outcome) {
    case DocumentStart::documentRefused:
      return kTaskDocumentRefused;
    case DocumentStart::pageRefused:
      return kTaskPageRefused;
    case DocumentStart::started:
      break;
  }
  return kTaskOutputReady;
}

// The task's pieces with every picture turned into its raster bands; a
// picture that cannot be used, or one for a task without a printer name,
// is left out. Parameter bytes stay in the printer's table.
std::vector<TaskOutput> layOutTask(Printers& printers, const std::u16string& printerName,
                                   const std::vector<ContentItem>& items, std::int32_t printerWidth) {
  MutexLock lock(printers.printerLock);
  PrinterModelConfig& commands = findOrCreateSession(printers, printerName).commands;
  std::vector<TaskOutput> pieces = layoutTaskContents(items, commands, printerWidth);
  std::erase_if(pieces, [&](TaskOutput& piece) {
    if (piece.kind != TaskOutput::Kind::kImage) return false;
    if (printerName.empty()) return true;
    std::optional<std::string> raster = rasterForImageText(piece.data, commands);
    if (!raster) return true;
    piece.data = std::move(*raster);
    return false;
  });
  return pieces;
}

}  // namespace

int openTaskOutput(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                   const std::u16string& model, std::int32_t printerType) {
  if (printerType == kSpoolerPrinterType) return openSpoolerDocument(net.printers, printerName, model);
  if (printerType == kNetworkPrinterType) return openTaskConnection(net, address);
  return kTaskOutputReady;
}

bool renderTaskContents(NetworkPrinters& net, const std::u16string& printerName, const std::u16string& address,
                        const std::vector<ContentItem>& items, std::int32_t printerWidth, std::int32_t printerType) {
  bool written = true;
  for (const TaskOutput& piece : layOutTask(net.printers, printerName, items, printerWidth)) {
    written = writeToPrintTarget(net, printerName, address, piece.data, printerType) != kPrintTargetWriteFailed &&
              written;
  }
  return written;
}

void endTaskOutput(Printers& printers, const std::u16string& printerName) {
  const platform::PrinterHandle handle = sessionHandle(printers, printerName);
  if (handle != platform::kNoPrinterHandle) endSpoolerDocument(printers, printerName, handle);
}

}  // namespace lumetra
