#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

// Content item kinds and their sub-kinds (`remark`).
namespace item_type {
inline constexpr std::int32_t kText = 0;
inline constexpr std::int32_t kCommand = 1;
inline constexpr std::int32_t kImage = 2;
}  // namespace item_type

namespace command_remark {
inline constexpr std::int32_t kFeed = 0;
inline constexpr std::int32_t kCut = 1;
inline constexpr std::int32_t kCashDrawer = 2;
inline constexpr std::int32_t kBeep = 3;
}  // namespace command_remark

// Only this many `para` values can be used; more are ignored.
inline constexpr std::size_t kParameterSlots = 5;

// The `para` values of an item that were read, kept in the item itself.
class ItemParameters {
 public:
  ItemParameters() = default;
  ItemParameters(std::initializer_list<std::int32_t> values);

  // False (and nothing added) once every slot is taken.
  bool add(std::int32_t value) {
    if (count_ == kParameterSlots) return false;
    values_[count_++] = value;
    return true;
  }

  const std::int32_t* begin() const { return values_.data(); }
  const std::int32_t* end() const { return values_.data() + count_; }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  bool operator==(const ItemParameters& other) const;

 private:
  std::array<std::int32_t, kParameterSlots> values_{};
  std::size_t count_ = 0;
};

// One content item of a print task, as the page wrote it. Text is UTF-8 up
// to its first NUL; it becomes printer bytes only when laid out. It points
// into the text the task was read from, which the task keeps (see
// TaskSource): an item is only good as long as its task.
struct ContentItem {
  std::int32_t type = 0;
  std::string_view content;
  std::int32_t remark = 0;
  ItemParameters parameters;

  bool operator==(const ContentItem&) const = default;
};

struct ParsedTaskList;

// The text a task was read from, kept with it: its compact JSON (what the
// pending list stores) is written only for a task that has to wait, and its
// items' text points into it.
class TaskSource {
 public:
  TaskSource() = default;
  TaskSource(std::shared_ptr<const ParsedTaskList> list, std::size_t begin) : list_(std::move(list)), begin_(begin) {}

  // The task object as compact JSON; empty for a task not read from text.
  std::string compactJson() const;
  bool operator==(const TaskSource& other) const { return compactJson() == other.compactJson(); }

 private:
  std::shared_ptr<const ParsedTaskList> list_;
  std::size_t begin_ = 0;  // where the task object starts in the page's text
};

// One receipt or ticket for one printer.
struct PrintTask {
  std::u16string printerName;
  std::u16string ipaddress;
  std::int32_t printerType = 0;
  std::u16string printerModel;
  std::int32_t printerWidth = 0;
  std::vector<ContentItem> contents;
  TaskSource source;

  std::string json() const { return source.compactJson(); }

  bool operator==(const PrintTask&) const = default;
};

// The tasks of a print task list text (one object, or an array of them) in
// order. Nothing when the text is not JSON or nests containers deeper than
// 64 levels. Tasks that lack a member they need, or hold one of the wrong
// type, are left out, as are unusable items. The text ends at its first NUL.
std::optional<std::vector<PrintTask>> parsePrintTaskList(std::string_view utf8Text);

// The same, read by RapidJSON's reader alone: parsePrintTaskList reads most
// texts with a quicker reader of its own and must give exactly this (the
// print task fuzz target compares them).
std::optional<std::vector<PrintTask>> parsePrintTaskListWithRapidJson(std::string_view utf8Text);

}  // namespace lumetra
