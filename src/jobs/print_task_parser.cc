#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>

#include "jobs/print_task.h"
#include "platform/utf.h"

namespace lumetra {
namespace {

using Value = rapidjson::Value;

// Deeper than any print task list needs (list, task, contents, item, para),
// with room for data the page carries along. Bounding it keeps writing a task
// back to JSON, which recurses, off the end of the stack.
constexpr std::size_t kMaxNesting = 64;

bool nestsDeeperThan(const Value& root, std::size_t limit) {
  std::vector<std::pair<const Value*, std::size_t>> pending{{&root, 1}};
  while (!pending.empty()) {
    const auto [value, depth] = pending.back();
    pending.pop_back();
    if (depth > limit) return true;
    if (value->IsArray()) {
      for (const Value& element : value->GetArray()) pending.emplace_back(&element, depth + 1);
    } else if (value->IsObject()) {
      for (const auto& member : value->GetObject()) pending.emplace_back(&member.value, depth + 1);
    }
  }
  return false;
}

// Reads of one member of an object. Nothing means "present with the wrong
// type" (or a missing required member): the value is unusable.
std::optional<std::int32_t> integerOrZero(const Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd()) return 0;
  if (!member->value.IsInt()) return std::nullopt;
  return member->value.GetInt();
}

// Up to the first NUL, as the printer would receive it.
std::optional<std::string> requiredString(const Value& object, const char* name) {
  const auto member = object.FindMember(name);
  if (member == object.MemberEnd() || !member->value.IsString()) return std::nullopt;
  return std::string(member->value.GetString());
}

std::optional<std::u16string> requiredText(const Value& object, const char* name) {
  const std::optional<std::string> utf8 = requiredString(object, name);
  if (!utf8) return std::nullopt;
  return platform::utf8ToUtf16(*utf8);
}

// The first `paraLen` values of `para`, as far as it has them (at most the
// usable slots); a missing `para` gives none.
std::optional<std::vector<std::int32_t>> parameters(const Value& item, std::int32_t paraLen) {
  std::vector<std::int32_t> values;
  const auto para = item.FindMember("para");
  if (paraLen <= 0 || para == item.MemberEnd()) return values;
  if (!para->value.IsArray()) return std::nullopt;
  const std::size_t count = std::min({static_cast<std::size_t>(paraLen),
                                      static_cast<std::size_t>(para->value.Size()), kParameterSlots});
  for (std::size_t i = 0; i < count; ++i) {
    const Value& element = para->value[static_cast<rapidjson::SizeType>(i)];
    if (!element.IsInt()) return std::nullopt;
    values.push_back(element.GetInt());
  }
  return values;
}

std::optional<ContentItem> parseItem(const Value& item) {
  if (!item.IsObject()) return std::nullopt;
  const auto type = integerOrZero(item, "type");
  const auto remark = integerOrZero(item, "remark");
  const auto paraLen = integerOrZero(item, "paraLen");
  if (!type || !remark || !paraLen) return std::nullopt;
  ContentItem parsed;
  parsed.type = *type;
  parsed.remark = *remark;
  if (*type == item_type::kText || *type == item_type::kImage) {
    std::optional<std::string> content = requiredString(item, "content");
    if (!content) return std::nullopt;
    parsed.content = std::move(*content);
  }
  std::optional<std::vector<std::int32_t>> values = parameters(item, *paraLen);
  if (!values) return std::nullopt;
  parsed.parameters = std::move(*values);
  return parsed;
}

// A task without `contents` has nothing to print; one whose `contents` is not
// a list is unusable.
std::optional<std::vector<ContentItem>> parseContents(const Value& task) {
  std::vector<ContentItem> items;
  const auto contents = task.FindMember("contents");
  if (contents == task.MemberEnd()) return items;
  if (!contents->value.IsArray()) return std::nullopt;
  for (const Value& element : contents->value.GetArray()) {
    if (std::optional<ContentItem> item = parseItem(element)) items.push_back(std::move(*item));
  }
  return items;
}

std::string compactJson(const Value& value) {
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  value.Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::optional<PrintTask> parseTask(const Value& task) {
  if (!task.IsObject()) return std::nullopt;
  auto printerName = requiredText(task, "printerName");
  auto ipaddress = requiredText(task, "ipaddress");
  const auto printerType = integerOrZero(task, "printerType");
  auto printerModel = requiredText(task, "printerModel");
  const auto printerWidth = integerOrZero(task, "printerWidth");
  auto contents = parseContents(task);
  if (!printerName || !ipaddress || !printerType || !printerModel || !printerWidth || !contents) {
    return std::nullopt;
  }
  return PrintTask{.printerName = std::move(*printerName),
                   .ipaddress = std::move(*ipaddress),
                   .printerType = *printerType,
                   .printerModel = std::move(*printerModel),
                   .printerWidth = *printerWidth,
                   .contents = std::move(*contents),
                   .json = compactJson(task)};
}

}  // namespace

std::optional<std::vector<PrintTask>> parsePrintTaskList(std::string_view utf8Text) {
  rapidjson::Document document;
  document.Parse<rapidjson::kParseIterativeFlag>(utf8Text.data(), utf8Text.size());
  if (document.HasParseError() || nestsDeeperThan(document, kMaxNesting)) return std::nullopt;

  std::vector<PrintTask> tasks;
  const auto add = [&tasks](const Value& task) {
    if (std::optional<PrintTask> parsed = parseTask(task)) tasks.push_back(std::move(*parsed));
  };
  if (document.IsArray()) {
    for (const Value& task : document.GetArray()) add(task);
  } else {
    add(document);
  }
  return tasks;
}

}  // namespace lumetra
