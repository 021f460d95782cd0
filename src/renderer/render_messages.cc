#include "renderer/render_messages.h"

#include "jobs/kitchen_task_list.h"

namespace lumetra {

std::optional<bool> FocusedNodeReporter::focusChanged(bool editable) {
  if (editable == lastNodeEditable_) return std::nullopt;
  lastNodeEditable_ = editable;
  return editable;
}

bool dispatchProcessMessage(std::string_view name) {
  if (name != kPrintTaskMessage) return false;
  flushKitchenTaskList();
  // Here the pending-task retry starts (startPendingTaskRetry) once print
  // tasks are built.
  return true;
}

}  // namespace lumetra
