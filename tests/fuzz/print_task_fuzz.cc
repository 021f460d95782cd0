// Print task list text as a page could send it: parsing, which must give
// what RapidJSON's reader alone gives, layout of every task, the pictures in
// it, and the pending copy, which must read back as the same task.
#include <cstdlib>

#include "printer/printer_model_config.h"
#include "tasks/image_text.h"
#include "tasks/print_task.h"
#include "tasks/task_layout.h"

namespace {

// An 80 mm receipt model with a pre-feed and an alignment command, so every
// layout branch can be reached.
lumetra::PrinterModelConfig receiptModel() {
  constexpr std::uint8_t bytes[] = {0x1B, 0x4A, 0x00, 2,    1,    0x1D, 0x56, 0x00, 1,    0x1D, 0x21, 0x00, 0x1B, 0x61,
                                    0x01, 0x10, 0x01, 0x11, 0x00, 0x1D, 0x76, 0x30, 0x00, 0x00, 0x00, 0x18, 0x00, 0x1B,
                                    0x4A, 0x00, 0x1B, 0x70, 0x00, 0x3C, 0x78, 0x1B, 0x42, 0x03, 0x02, 0x00};
  lumetra::PrinterModelConfig table;
  std::copy(std::begin(bytes), std::end(bytes), table.bytes.begin());
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto tasks = lumetra::parsePrintTaskList(text);
  if (tasks != lumetra::parsePrintTaskListWithRapidJson(text)) std::abort();
  if (!tasks) return 0;
  for (const lumetra::PrintTask& task : *tasks) {
    lumetra::PrinterModelConfig table = receiptModel();
    for (const lumetra::TaskOutput& piece : lumetra::layoutTaskContents(task.contents, table, task.printerWidth)) {
      if (piece.kind == lumetra::TaskOutput::Kind::kImage) lumetra::rasterForImageText(piece.data, table);
    }
    const auto again = lumetra::parsePrintTaskList(task.json());
    if (!again || again->size() != 1) std::abort();
    lumetra::PrintTask copy = again->front();
    copy.source = task.source;  // numbers may be written back with other digits
    if (!(copy == task)) std::abort();
  }
  return 0;
}
