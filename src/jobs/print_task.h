#pragma once

#include <cstdint>
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

// One content item of a print task, as the page wrote it. Text is UTF-8 up
// to its first NUL; it becomes printer bytes only when laid out.
struct ContentItem {
  std::int32_t type = 0;
  std::string content;
  std::int32_t remark = 0;
  std::vector<std::int32_t> parameters;  // the `para` values read, at most kParameterSlots

  bool operator==(const ContentItem&) const = default;
};

struct ParsedTaskList;

// The task object a task was read from, kept parsed: its compact JSON (what
// the pending list stores) is written only for a task that has to wait.
class TaskSource {
 public:
  TaskSource() = default;
  TaskSource(std::shared_ptr<const ParsedTaskList> list, std::size_t index)
      : list_(std::move(list)), index_(index) {}

  // The task object as compact JSON; empty for a task not read from text.
  std::string compactJson() const;
  bool operator==(const TaskSource& other) const { return compactJson() == other.compactJson(); }

 private:
  std::shared_ptr<const ParsedTaskList> list_;
  std::size_t index_ = 0;  // position of the task object in the page's list
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
// order. Nothing when the text is not JSON. Tasks that lack a member they
// need, or hold one of the wrong type, are left out, as are unusable items.
std::optional<std::vector<PrintTask>> parsePrintTaskList(std::string_view utf8Text);

}  // namespace lumetra
