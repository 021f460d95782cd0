#include "functions/context.h"

namespace lumetra {

Context::Context(platform::Spooler& spooler, platform::Dialogs& dialogs) : printers(spooler, dialogs) {}

void tellStaff(Context& context, std::string_view caption, std::string_view text) {
  context.printers.dialogs.show(caption, text, platform::DialogButtons::ok);
}

}  // namespace lumetra
