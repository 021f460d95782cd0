#pragma once

#include <charconv>
#include <string>

namespace lumetra::virtual_printer {

// `text` as a whole number from `low` to `high`; false for anything else.
template <typename Number>
bool parseNumber(const std::string& text, Number low, Number high, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  return failure == std::errc() && stop == end && value >= low && value <= high;
}

}  // namespace lumetra::virtual_printer
