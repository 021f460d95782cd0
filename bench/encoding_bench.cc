// Our side of the encoding benchmarks (bench/encoding.sh runs it beside the
// JavaScript peers): a 40-line receipt task laid out into ESC/POS bytes (in
// English, and in Chinese, which goes to the printer in GBK), and a logo
// (image text of a PNG) decoded, dithered and encoded as raster bands.
//   encoding_bench [benchmark flags] RECEIPT.json CHINESE_RECEIPT.json LOGO.png
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "printer/model_config_loader.h"
#include "support/test_pictures.h"
#include "tasks/image_text.h"
#include "tasks/print_task.h"
#include "tasks/task_layout.h"

namespace {

using namespace lumetra;

std::string receiptText;
std::string chineseReceiptText;
std::string logoText;

std::string readWhole(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The receipt model's command table, from the repository's dev folder.
PrinterModelConfig receiptModel() {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(LUMETRA_SOURCE_DIR);
  PrinterModelConfig table;
  loadModelConfig(table, u"RQ2");
  std::filesystem::current_path(previous);
  return table;
}

// From the page's JSON text to the bytes for the printer.
void receiptTaskToBytes(benchmark::State& state, const std::string& text) {
  PrinterModelConfig table = receiptModel();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto tasks = parsePrintTaskList(text);
    const auto pieces = layoutTaskContents(tasks->front().contents, table, tasks->front().printerWidth);
    bytes = pieces.front().data.size();
    benchmark::DoNotOptimize(pieces.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes"] = static_cast<double>(bytes);
}

// The layout alone, as the peers' encoders are given ready-made calls.
void receiptLayoutOnly(benchmark::State& state) {
  PrinterModelConfig table = receiptModel();
  const PrintTask task = parsePrintTaskList(receiptText)->front();
  for (auto _ : state) {
    const auto pieces = layoutTaskContents(task.contents, table, task.printerWidth);
    benchmark::DoNotOptimize(pieces.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void logoToRasterBands(benchmark::State& state) {
  const PrinterModelConfig table = receiptModel();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const auto raster = rasterForImageText(logoText, table);
    bytes = raster ? raster->size() : 0;
    benchmark::DoNotOptimize(raster);
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["bytes"] = static_cast<double>(bytes);
}

}  // namespace

// Wall time, as the peers are timed: on a shared machine both then lose
// alike to other work.
BENCHMARK_CAPTURE(receiptTaskToBytes, english, receiptText)->UseRealTime();
BENCHMARK_CAPTURE(receiptTaskToBytes, chinese, chineseReceiptText)->UseRealTime();
BENCHMARK(receiptLayoutOnly)->UseRealTime();
BENCHMARK(logoToRasterBands)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: encoding_bench [benchmark flags] RECEIPT.json CHINESE_RECEIPT.json LOGO.png\n");
    return 2;
  }
  receiptText = readWhole(argv[1]);
  chineseReceiptText = readWhole(argv[2]);
  logoText = lumetra::test::base64(readWhole(argv[3]));
  // Laid out once here, so that the code page table, built on first use,
  // is not timed (the peers are warmed up too).
  const auto usable = [](const std::string& text) {
    const auto tasks = parsePrintTaskList(text);
    if (!tasks || tasks->size() != 1) return false;
    PrinterModelConfig table = receiptModel();
    return !layoutTaskContents(tasks->front().contents, table, tasks->front().printerWidth).empty();
  };
  if (!usable(receiptText) || !usable(chineseReceiptText) || !rasterForImageText(logoText, receiptModel())) {
    std::fprintf(stderr, "encoding_bench: %s, %s or %s is not usable\n", argv[1], argv[2], argv[3]);
    return 2;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
