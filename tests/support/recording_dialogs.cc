#include "support/recording_dialogs.h"

namespace lumetra::test {

platform::DialogAnswer RecordingDialogs::show(std::string_view caption, std::string_view text,
                                              platform::DialogButtons buttons) {
  shown_.push_back(std::string(caption) + '|' + std::string(text));
  return buttons == platform::DialogButtons::ok ? platform::DialogAnswer::ok : platform::DialogAnswer::no;
}

}  // namespace lumetra::test
