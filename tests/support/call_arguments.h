#pragma once

#include <string>
#include <vector>

#include "base/call_frame.h"

namespace lumetra::test {

inline CallArgument toCallArgument(const char* value) { return CallArgument::string(value); }
inline CallArgument toCallArgument(const std::string& value) { return CallArgument::string(value); }
inline CallArgument toCallArgument(int value) { return CallArgument::number(value); }
inline CallArgument toCallArgument(bool value) { return CallArgument::boolean(value); }

// The arguments of a call as the page would pass them: callArgs("POS-80", 3).
template <typename... Values>
CallArguments callArgs(const Values&... values) {
  return CallArguments(std::vector<CallArgument>{toCallArgument(values)...});
}

}  // namespace lumetra::test
