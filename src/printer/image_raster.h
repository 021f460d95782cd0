#pragma once

#include <optional>
#include <string>

#include "image/dot_image.h"
#include "printer/printer_model_config.h"

namespace lumetra {

// Rows per raster band; the model's image command is expected to announce it.
inline constexpr unsigned kRasterBandRows = 24;

// The whole printer output for a picture: initialise, then one raster band
// per 24 rows (the model's image header, the rows, the model's image print
// command); the last band is filled up with blank rows. Nothing when the
// picture is empty or wider than its one-byte row length can announce
// (2040 pixels).
std::optional<std::string> encodeRasterImage(const DotImage& image, const PrinterModelConfig& commands);

}  // namespace lumetra
