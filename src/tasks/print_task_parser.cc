#include <rapidjson/reader.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cstring>

#include "tasks/json_event_reader.h"
#include "tasks/print_task.h"
#include "tasks/task_list_builder.h"

namespace lumetra {

// The page's text, which the tasks read from it keep: the text up to its
// first NUL, that NUL and padding for the reader's vector scan, then room of
// the text's size for strings whose escapes were decoded (or for the copy
// RapidJSON decodes in place). One allocation per list.
struct ParsedTaskList {
  explicit ParsedTaskList(std::string_view utf8Text)
      : length(std::min(utf8Text.size(), utf8Text.find('\0'))), bytes(new char[2 * (length + 1) + kJsonReadPadding]) {
    std::memcpy(bytes.get(), utf8Text.data(), length);
    std::memset(bytes.get() + length, 0, 1 + kJsonReadPadding);
  }

  const char* text() const { return bytes.get(); }
  char* decoded() { return bytes.get() + length + 1 + kJsonReadPadding; }

  const std::size_t length;
  const std::unique_ptr<char[]> bytes;
};

namespace {

// RapidJSON's flags for task lists: its iterative reader, so that deep
// nesting costs heap rather than stack.
constexpr unsigned kRapidJsonFlags = rapidjson::kParseIterativeFlag | rapidjson::kParseInsituFlag;

std::optional<std::vector<PrintTask>> readWithRapidJson(const std::shared_ptr<ParsedTaskList>& list) {
  char* copy = list->decoded();
  std::memcpy(copy, list->text(), list->length + 1);
  rapidjson::InsituStringStream stream(copy);
  TaskListBuilder builder(list, copy, &stream.src_);
  rapidjson::Reader reader;
  if (reader.Parse<kRapidJsonFlags>(stream, builder).IsError()) return std::nullopt;
  return builder.takeTasks();
}

}  // namespace

ItemParameters::ItemParameters(std::initializer_list<std::int32_t> values) {
  for (const std::int32_t value : values) add(value);
}

bool ItemParameters::operator==(const ItemParameters& other) const {
  return std::equal(begin(), end(), other.begin(), other.end());
}

// Read from the text, which ends after the task object's closing brace only
// if the task stands alone: the reader stops at the end of the object.
std::string TaskSource::compactJson() const {
  if (!list_) return {};
  rapidjson::StringStream stream(list_->text() + begin_);
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  rapidjson::Reader reader;
  reader.Parse<rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag>(stream, writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::optional<std::vector<PrintTask>> parsePrintTaskList(std::string_view utf8Text) {
  auto list = std::make_shared<ParsedTaskList>(utf8Text);
  JsonEventReader<TaskListBuilder> reader(list->text(), list->decoded());
  TaskListBuilder builder(list, list->text(), reader.cursor());
  if (reader.readAll(builder)) return builder.takeTasks();
  return readWithRapidJson(list);
}

std::optional<std::vector<PrintTask>> parsePrintTaskListWithRapidJson(std::string_view utf8Text) {
  return readWithRapidJson(std::make_shared<ParsedTaskList>(utf8Text));
}

}  // namespace lumetra
