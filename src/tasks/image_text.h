#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "printer/printer_model_config.h"

namespace lumetra {

// Image text (base64 of an image file) -> the printer output for it with the
// given model's image commands; nothing when the text is not a printable
// picture.
std::optional<std::string> rasterForImageText(std::string_view imageText, const PrinterModelConfig& commands);

// The width of the picture in image text, or nothing when it is not one.
std::optional<unsigned> imageTextWidth(std::string_view imageText);

}  // namespace lumetra
