#include "renderer/origin_gate.h"

#include "base/log.h"

namespace lumetra {

bool OriginGate::admits(std::string_view documentOrigin) {
  if (trusted_.trusts(documentOrigin)) return true;
  nameWithheld(documentOrigin);
  return false;
}

void OriginGate::nameWithheld(std::string_view documentOrigin) {
  std::string name = originName(documentOrigin);
  if (named_.size() >= kMostOriginsNamed || !named_.insert(name).second) return;
  if (name == "null") {
    logLine(LogLevel::warning,
            "window functions withheld from an opaque origin (a sandboxed frame, a data: page or a page one of "
            "them made; never trusted)");
  } else {
    logf(LogLevel::warning, "window functions withheld from %s (not in trusted_origins)", name.c_str());
  }
  if (named_.size() == kMostOriginsNamed) {
    logLine(LogLevel::warning, "window functions withheld from further origins are not named");
  }
}

}  // namespace lumetra
