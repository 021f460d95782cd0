#include "renderer/render_messages.h"

#include "jobs/print_task_list.h"

namespace lumetra {

std::optional<bool> FocusedNodeReporter::focusChanged(bool editable) {
  if (editable == lastNodeEditable_) return std::nullopt;
  lastNodeEditable_ = editable;
  return editable;
}

bool dispatchProcessMessage(Context& context, std::string_view name) {
  if (name != kPrintTaskMessage) return false;
  // Flushes the kitchen list, then retries pending tasks off the page's
  // thread, so the page keeps running.
  if (const auto message = startPendingTaskRetry(context.jobs)) tellStaff(context, "", *message);
  return true;
}

}  // namespace lumetra
