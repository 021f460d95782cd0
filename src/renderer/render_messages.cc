#include "renderer/render_messages.h"

#include "jobs/pending_tasks.h"

namespace lumetra {

std::optional<bool> FocusedNodeReporter::focusChanged(bool editable) {
  if (editable == lastNodeEditable_) return std::nullopt;
  lastNodeEditable_ = editable;
  return editable;
}

bool dispatchProcessMessage(std::string_view name) {
  if (name != kPrintTaskMessage) return false;
  // Flushes the kitchen list, then retries pending tasks off the page's
  // thread, so the page keeps running.
  startPendingTaskRetry();
  return true;
}

}  // namespace lumetra
