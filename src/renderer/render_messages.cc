#include "renderer/render_messages.h"

#include "handover/kitchen_task_list.h"

namespace lumetra {

std::optional<bool> FocusedNodeReporter::focusChanged(bool editable) {
  if (editable == lastNodeEditable_) return std::nullopt;
  lastNodeEditable_ = editable;
  return editable;
}

bool dispatchProcessMessage(Context& context, std::string_view name) {
  if (name != kPrintTaskMessage) return false;
  // The kitchen run, as from the page. Waiting tickets need no message to
  // be retried: the delivery does that from start-up.
  handOverKitchenTaskList(context.jobs);
  return true;
}

}  // namespace lumetra
