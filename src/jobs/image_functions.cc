#include "jobs/image_functions.h"

#include "jobs/image_text.h"
#include "platform/print/spooler.h"
#include "printer/printer_registry.h"

namespace lumetra {

CallResult printLogo(const CallArguments& arguments) {
  const std::lock_guard lock(printerLock());
  if (arguments.count() != 2) return CallResult::boolean(false);
  const PrinterSession& session = findOrCreateSession(arguments.string(0));
  const std::optional<std::string> raster = rasterForImageText(arguments.utf8(1), session.commands);
  if (raster && session.isOpen()) platform::spooler().write(session.handle, *raster);
  return CallResult::boolean(true);
}

CallResult checkImage(const CallArguments& arguments) {
  if (arguments.count() != 1) return CallResult::boolean(false);
  const std::optional<unsigned> width = imageTextWidth(arguments.utf8(0));
  return CallResult::boolean(width == 384u || width == 576u);
}

}  // namespace lumetra
