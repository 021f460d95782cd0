#include "jobs/print_task_output.h"

#include "jobs/image_text.h"
#include "jobs/task_layout.h"
#include "net/print_target.h"
#include "platform/print/spooler.h"
#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"

namespace lumetra {
namespace {

constexpr char16_t kDefaultTaskModel[] = u"RQ2";

// A printer that is already open keeps its handle and its command table.
bool openSpoolerPrinter(const std::u16string& printerName, const std::u16string& model) {
  PrinterSession& session = findOrCreateSession(printerName);
  if (session.isOpen()) return true;
  const std::optional<platform::PrinterHandle> handle = platform::spooler().open(printerName);
  if (!handle) return false;
  session.handle = *handle;
  session.modelName = model.empty() ? kDefaultTaskModel : model;
  loadModelConfig(printerName, session.modelName);
  return true;
}

int openSpoolerDocument(const std::u16string& printerName, const std::u16string& model) {
  if (!openSpoolerPrinter(printerName, model)) return kTaskPrinterNotOpened;
  platform::Spooler& spooler = platform::spooler();
  const platform::PrinterHandle handle = sessionHandle(printerName);
  if (spooler.startDocument(handle, platform::DocumentInfo{}) == 0) {
    spooler.close(handle);
    markSessionClosed(printerName);
    return kTaskDocumentRefused;
  }
  if (!spooler.startPage(handle)) {
    spooler.endDocument(handle);
    spooler.close(handle);
    markSessionClosed(printerName);
    return kTaskPageRefused;
  }
  return kTaskOutputReady;
}

}  // namespace

int openTaskOutput(const std::u16string& printerName, const std::u16string& address,
                   const std::u16string& model, std::int32_t printerType) {
  if (printerType == kSpoolerPrinterType) return openSpoolerDocument(printerName, model);
  if (printerType == kNetworkPrinterType) return openTaskConnection(address);
  return kTaskOutputReady;
}

bool renderTaskContents(const std::u16string& printerName, const std::u16string& address,
                        const std::vector<ContentItem>& items, std::int32_t printerWidth,
                        std::int32_t printerType) {
  PrinterModelConfig& commands = findOrCreateSession(printerName).commands;
  bool written = true;
  for (const TaskOutput& piece : layoutTaskContents(items, commands, printerWidth)) {
    const int result = piece.kind == TaskOutput::Kind::kImage
                           ? printImageContent(printerName, address, piece.data, printerType)
                           : writeToPrintTarget(printerName, address, piece.data, printerType);
    written = written && result != kPrintTargetWriteFailed;
  }
  return written;
}

void endTaskOutput(const std::u16string& printerName) {
  const platform::PrinterHandle handle = sessionHandle(printerName);
  if (handle == platform::kNoPrinterHandle) return;
  platform::Spooler& spooler = platform::spooler();
  spooler.endPage(handle);
  spooler.endDocument(handle);
  spooler.close(handle);
  markSessionClosed(printerName);
}

int printImageContent(const std::u16string& printerName, const std::u16string& address,
                      std::string_view imageText, std::int32_t printerType) {
  if (printerName.empty()) return kImageWithoutPrinter;
  const std::optional<std::string> raster =
      rasterForImageText(imageText, findOrCreateSession(printerName).commands);
  if (!raster) return kImageUnusable;
  return writeToPrintTarget(printerName, address, *raster, printerType);
}

}  // namespace lumetra
