#include "tasks/task_list_builder.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/utf.h"

namespace lumetra {
namespace {

// Items a task usually has, room for which is made once per list.
constexpr std::size_t kUsualItemCount = 64;

}  // namespace

TaskListBuilder::TaskListBuilder(std::shared_ptr<const ParsedTaskList> list, const char* text,
                                 const char* const* cursor)
    : list_(std::move(list)), text_(text), cursor_(cursor) {
  items_.reserve(kUsualItemCount);
}

// Text is read up to its first NUL, as the printer would receive it.
bool TaskListBuilder::String(const char* text, unsigned length, bool) {
  const void* nul = std::memchr(text, '\0', length);
  const std::size_t used = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
  if (Scalar* slot = valueSlot()) *slot = Scalar::ofText(std::string_view(text, used));
  return true;
}

namespace {

// The member a task object's name stands for, told apart by length first.
TaskListBuilder::Member taskMember(std::string_view name) {
  using Member = TaskListBuilder::Member;
  switch (name.size()) {
    case 8:
      return name == "contents" ? Member::kContents : Member::kOther;
    case 9:
      return name == "ipaddress" ? Member::kIpaddress : Member::kOther;
    case 11:
      if (name == "printerName") return Member::kPrinterName;
      return name == "printerType" ? Member::kPrinterType : Member::kOther;
    case 12:
      if (name == "printerModel") return Member::kPrinterModel;
      return name == "printerWidth" ? Member::kPrinterWidth : Member::kOther;
    default:
      return Member::kOther;
  }
}

TaskListBuilder::Member itemMember(std::string_view name) {
  using Member = TaskListBuilder::Member;
  switch (name.size()) {
    case 4:
      if (name == "type") return Member::kType;
      return name == "para" ? Member::kPara : Member::kOther;
    case 6:
      return name == "remark" ? Member::kRemark : Member::kOther;
    case 7:
      if (name == "content") return Member::kContent;
      return name == "paraLen" ? Member::kParaLen : Member::kOther;
    default:
      return Member::kOther;
  }
}

}  // namespace

bool TaskListBuilder::Key(const char* text, unsigned length, bool) {
  pending_ = Member::kOther;
  if (depth_ == 0) return true;
  if (top() == Frame::kTask) pending_ = taskMember(std::string_view(text, length));
  if (top() == Frame::kItem) pending_ = itemMember(std::string_view(text, length));
  return true;
}

bool TaskListBuilder::container(bool isObject) {
  if (depth_ == kMaxNesting) return false;
  Frame frame = Frame::kIgnored;
  if (depth_ == 0) {
    frame = isObject ? Frame::kTask : Frame::kTaskList;
  } else {
    switch (top()) {
      case Frame::kTaskList:
        frame = isObject ? Frame::kTask : Frame::kIgnored;
        break;
      case Frame::kContents:
        frame = isObject ? Frame::kItem : Frame::kIgnored;
        break;
      case Frame::kTask:
      case Frame::kItem: {
        // A container is the wrong type for every member but these lists.
        const Member member = pending_;
        if (memberSlot() && !isObject) {
          if (member == Member::kContents) frame = Frame::kContents;
          if (member == Member::kPara) frame = Frame::kPara;
        }
        break;
      }
      case Frame::kPara:
        if (item_.paraSize < kParameterSlots) item_.para[item_.paraSize++] = Scalar{};
        break;
      case Frame::kIgnored:
        break;
    }
  }
  if (frame == Frame::kTask) {
    task_ = TaskMembers{};
    task_.begin = static_cast<std::size_t>(*cursor_ - text_);
    items_.clear();
  }
  if (frame == Frame::kItem) startItem();
  if (frame == Frame::kContents) task_.contentsIsList = true;
  if (frame == Frame::kPara) item_.paraIsList = true;
  frames_[depth_++] = frame;
  return true;
}

// Only what tells a member apart from a missing one is reset: an item starts
// for every line of a receipt.
void TaskListBuilder::startItem() {
  for (Seen& member : item_.members) member.present = false;
  item_.paraIsList = false;
  item_.paraSize = 0;
}

bool TaskListBuilder::StartObject() { return container(true); }
bool TaskListBuilder::StartArray() { return container(false); }

bool TaskListBuilder::EndObject(unsigned) {
  const Frame frame = frames_[--depth_];
  if (frame == Frame::kItem) finishItem();
  if (frame == Frame::kTask) finishTask();
  return true;
}

bool TaskListBuilder::EndArray(unsigned) {
  --depth_;
  return true;
}

namespace {

// A missing number reads as 0; nothing means "present but not a whole number
// in the int32 range".
template <typename Seen>
std::optional<std::int32_t> integerOrZero(const Seen& seen) {
  if (!seen.present) return 0;
  if (!seen.value.isInteger) return std::nullopt;
  return seen.value.integer;
}

template <typename Seen>
bool isString(const Seen& seen) {
  return seen.present && seen.value.isString;
}

}  // namespace

void TaskListBuilder::finishItem() {
  const auto& [type, remark, paraLen, content, para] = item_.members;
  const auto typeValue = integerOrZero(type);
  const auto remarkValue = integerOrZero(remark);
  const auto paraLenValue = integerOrZero(paraLen);
  if (!typeValue || !remarkValue || !paraLenValue) return;
  ContentItem parsed{.type = *typeValue, .content = {}, .remark = *remarkValue, .parameters = {}};
  if (*typeValue == item_type::kText || *typeValue == item_type::kImage) {
    if (!isString(content)) return;
    parsed.content = content.value.text;
  }
  // The first `paraLen` values of `para`, as far as it has them; only they
  // must be whole numbers.
  if (*paraLenValue > 0 && para.present) {
    if (!item_.paraIsList) return;
    const std::size_t count = std::min(static_cast<std::size_t>(*paraLenValue), item_.paraSize);
    for (std::size_t i = 0; i < count; ++i) {
      if (!item_.para[i].isInteger) return;
      parsed.parameters.add(item_.para[i].integer);
    }
  }
  items_.push_back(parsed);
}

void TaskListBuilder::finishTask() {
  const auto& [name, address, type, model, width, contents] = task_.members;
  const auto typeValue = integerOrZero(type);
  const auto widthValue = integerOrZero(width);
  if (!isString(name) || !isString(address) || !isString(model) || !typeValue || !widthValue) return;
  // A task without `contents` has nothing to print; one whose `contents` is
  // not a list is unusable.
  if (contents.present && !task_.contentsIsList) return;
  tasks_.push_back(PrintTask{.printerName = utf8ToUtf16(name.value.text),
                             .ipaddress = utf8ToUtf16(address.value.text),
                             .printerType = *typeValue,
                             .printerModel = utf8ToUtf16(model.value.text),
                             .printerWidth = *widthValue,
                             .contents = std::vector<ContentItem>(items_.begin(), items_.end()),
                             .source = TaskSource(list_, task_.begin)});
}

}  // namespace lumetra
