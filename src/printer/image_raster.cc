#include "printer/image_raster.h"

#include <algorithm>

namespace lumetra {
namespace {

constexpr std::size_t kMaxBytesPerRow = 0xFF;

std::string bandHeader(const PrinterModelConfig& commands, std::size_t bytesPerRow) {
  namespace at = model_offset;
  return {static_cast<char>(commands[at::kImage]),
          static_cast<char>(commands[at::kImage + 1]),
          static_cast<char>(commands[at::kImage + 2]),
          '\0',
          static_cast<char>(bytesPerRow),
          '\0',
          static_cast<char>(commands[at::kImage + 6]),
          '\0'};
}

}  // namespace

std::optional<std::string> encodeRasterImage(const DotImage& image, const PrinterModelConfig& commands) {
  const std::size_t bytesPerRow = image.bytesPerRow();
  if (image.height == 0 || bytesPerRow == 0 || bytesPerRow > kMaxBytesPerRow) return std::nullopt;

  const std::string header = bandHeader(commands, bytesPerRow);
  const std::string bandEnd = commands.command(model_offset::kImagePrint, model_length::kImagePrint);
  const std::size_t bandData = bytesPerRow * kRasterBandRows;
  const std::size_t bands = (image.height + kRasterBandRows - 1) / kRasterBandRows;

  std::string output = "\x1B\x40";
  output.reserve(output.size() + bands * (header.size() + bandData + bandEnd.size()));
  const auto* dots = reinterpret_cast<const char*>(image.dots.data());
  for (std::size_t band = 0; band < bands; ++band) {
    output += header;
    const std::size_t firstRow = band * kRasterBandRows;
    const std::size_t rows = std::min<std::size_t>(kRasterBandRows, image.height - firstRow);
    output.append(dots + firstRow * bytesPerRow, rows * bytesPerRow);
    output.append((kRasterBandRows - rows) * bytesPerRow, '\0');
    output += bandEnd;
  }
  return output;
}

}  // namespace lumetra
