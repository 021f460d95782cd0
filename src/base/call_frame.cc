#include "base/call_frame.h"

#include <cmath>
#include <cstdio>
#include <exception>

#include "base/utf.h"

namespace lumetra {

const CallArgument* CallArguments::at(std::size_t index) const {
  return index < values_.size() ? &values_[index] : nullptr;
}

std::string CallArguments::utf8(std::size_t index) const {
  const CallArgument* argument = at(index);
  if (!argument) return {};
  const auto* text = std::get_if<std::string>(&argument->value);
  return text ? *text : std::string();
}

std::u16string CallArguments::string(std::size_t index) const { return utf8ToUtf16(utf8(index)); }

std::int32_t CallArguments::integer(std::size_t index) const {
  const CallArgument* argument = at(index);
  if (!argument) return 0;
  const auto* number = std::get_if<double>(&argument->value);
  if (!number || !std::isfinite(*number) || std::trunc(*number) != *number) return 0;
  if (*number < -2147483648.0 || *number > 4294967295.0) return 0;
  if (*number < 0) return static_cast<std::int32_t>(*number);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(*number));
}

bool CallArguments::boolean(std::size_t index) const {
  const CallArgument* argument = at(index);
  if (!argument) return false;
  const auto* flag = std::get_if<bool>(&argument->value);
  return flag && *flag;
}

bool CallFrameReader::roomFor(std::size_t bytes) {
  if (frame_.overTextLimit_ || bytes > kMaxCallTextBytes - textBytes_) frame_.overTextLimit_ = true;
  return !frame_.overTextLimit_;
}

bool CallFrameReader::addText(std::string utf8) {
  if (!roomFor(utf8.size())) return false;
  textBytes_ += utf8.size();
  add(CallArgument::string(std::move(utf8)));
  return true;
}

CallResult CallResult::notHandled() {
  CallResult result(Undefined{});
  result.handled_ = false;
  return result;
}

}  // namespace lumetra
