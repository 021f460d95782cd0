#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "tasks/print_task.h"

namespace lumetra {

// Builds print tasks from the events of a JSON reader (RapidJSON's handler
// interface) in one pass, with no document in between: the members a task or
// an item needs are caught as they go by, and everything else is only
// counted for its nesting. Where the page repeats a name, the first one
// counts. Strings must stay where the reader put them (they become the items'
// text) and the reader's position must be readable at each object's start.
class TaskListBuilder {
 public:
  // Containers nested deeper than this make the whole text unusable: a
  // task's compact copy is written recursively.
  static constexpr std::size_t kMaxNesting = 64;

  // `cursor` is the reader's position in `text` (of `list`, which the tasks
  // keep).
  TaskListBuilder(std::shared_ptr<const ParsedTaskList> list, const char* text, const char* const* cursor);

  std::vector<PrintTask> takeTasks() { return std::move(tasks_); }

  bool Null() { return other(); }
  bool Bool(bool) { return other(); }
  bool Int(int value) { return integer(value); }
  bool Uint(unsigned value) { return value <= kLargestInteger ? integer(static_cast<std::int32_t>(value)) : other(); }
  bool Int64(std::int64_t) { return other(); }
  bool Uint64(std::uint64_t) { return other(); }
  bool Double(double) { return other(); }
  bool RawNumber(const char*, unsigned, bool) { return other(); }
  bool String(const char* text, unsigned length, bool copied);
  // A string the reader vouches holds no NUL (it had no escape).
  bool StringWithoutNul(const char* text, unsigned length) {
    if (Scalar* slot = valueSlot()) *slot = Scalar::ofText(std::string_view(text, length));
    return true;
  }
  bool Key(const char* text, unsigned length, bool copied);
  bool StartObject();
  bool EndObject(unsigned members);
  bool StartArray();
  bool EndArray(unsigned elements);

  // The members a task or an item reads; kOther for every other name.
  enum class Member : std::uint8_t {
    kOther,
    kPrinterName,
    kIpaddress,
    kPrinterType,
    kPrinterModel,
    kPrinterWidth,
    kContents,
    kType,
    kRemark,
    kParaLen,
    kContent,
    kPara,
  };

 private:
  // What a container is to the task list.
  enum class Frame : std::uint8_t { kTaskList, kTask, kContents, kItem, kPara, kIgnored };

  // A value as the members see it; default: neither (null, a boolean, a
  // fraction, a number beyond int32, a container).
  struct Scalar {
    static Scalar ofInteger(std::int32_t value) {
      Scalar scalar;
      scalar.isInteger = true;
      scalar.integer = value;
      return scalar;
    }
    static Scalar ofText(std::string_view text) {
      Scalar scalar;
      scalar.isString = true;
      scalar.text = text;
      return scalar;
    }

    bool isInteger = false;  // a whole number in the int32 range
    std::int32_t integer = 0;
    bool isString = false;
    std::string_view text;
  };

  // One member as first seen: missing, or the scalar it held (a container
  // other than the one expected counts as a wrong scalar).
  struct Seen {
    bool present = false;
    Scalar value;
  };

  struct TaskMembers {
    std::size_t begin = 0;
    std::array<Seen, 6> members;  // printerName .. contents, in Member order
    bool contentsIsList = false;
  };

  struct ItemMembers {
    std::array<Seen, 5> members;  // type .. para, in Member order
    bool paraIsList = false;
    std::size_t paraSize = 0;  // elements counted up to kParameterSlots
    std::array<Scalar, kParameterSlots> para;
  };

  static constexpr unsigned kLargestInteger = 0x7FFFFFFF;

  Frame top() const { return frames_[depth_ - 1]; }
  // Where the value that comes next is kept; null when nobody reads it.
  // Inline, with the values written straight into it: they come for every
  // member of every item.
  Scalar* valueSlot() {
    if (depth_ == 0) return nullptr;
    switch (top()) {
      case Frame::kTask:
      case Frame::kItem:
        if (Seen* slot = memberSlot()) return &slot->value;
        return nullptr;
      case Frame::kPara:
        return item_.paraSize < kParameterSlots ? &item_.para[item_.paraSize++] : nullptr;
      default:
        return nullptr;
    }
  }
  bool integer(std::int32_t value) {
    if (Scalar* slot = valueSlot()) *slot = Scalar::ofInteger(value);
    return true;
  }
  bool other() {
    if (Scalar* slot = valueSlot()) *slot = Scalar{};
    return true;
  }
  bool container(bool isObject);
  // The slot of the member whose value comes next, unless the name is one
  // nobody reads or was seen before in this object.
  Seen* memberSlot() {
    const auto member = static_cast<std::size_t>(pending_);
    pending_ = Member::kOther;
    Seen* slot = nullptr;
    if (member >= static_cast<std::size_t>(Member::kType)) {
      slot = &item_.members[member - static_cast<std::size_t>(Member::kType)];
    } else if (member >= static_cast<std::size_t>(Member::kPrinterName)) {
      slot = &task_.members[member - static_cast<std::size_t>(Member::kPrinterName)];
    }
    if (!slot || slot->present) return nullptr;
    slot->present = true;
    return slot;
  }
  void startItem();
  void finishItem();
  void finishTask();

  std::shared_ptr<const ParsedTaskList> list_;
  const char* text_;
  const char* const* cursor_;
  std::array<Frame, kMaxNesting + 1> frames_{};
  std::size_t depth_ = 0;
  Member pending_ = Member::kOther;  // the member whose value comes next
  TaskMembers task_;
  ItemMembers item_;
  std::vector<ContentItem> items_;  // the current task's, reused for every task
  std::vector<PrintTask> tasks_;
};

}  // namespace lumetra
