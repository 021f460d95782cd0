#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <array>
#include <string_view>

#include "jobs/print_task.h"
#include "base/utf.h"

namespace lumetra {

// The page's text parsed in place: the document's strings point into `text`.
struct ParsedTaskList {
  std::string text;
  rapidjson::Document document;

  const rapidjson::Value& task(std::size_t index) const {
    return document.IsArray() ? document[static_cast<rapidjson::SizeType>(index)] : document;
  }
};

namespace {

using Value = rapidjson::Value;

// Deeper than any print task list needs (list, task, contents, item, para),
// with room for data the page carries along. Bounding it keeps writing a task
// back to JSON, which recurses, off the end of the stack.
constexpr std::size_t kMaxNesting = 64;

bool nestsDeeperThan(const Value& root, std::size_t limit) {
  std::vector<std::pair<const Value*, std::size_t>> pending;
  const auto addContainer = [&pending](const Value& value, std::size_t depth) {
    if (value.IsArray() || value.IsObject()) pending.emplace_back(&value, depth);
  };
  addContainer(root, 1);
  while (!pending.empty()) {
    const auto [value, depth] = pending.back();
    pending.pop_back();
    if (depth > limit) return true;
    if (value->IsArray()) {
      for (const Value& element : value->GetArray()) addContainer(element, depth + 1);
    } else {
      for (const auto& member : value->GetObject()) addContainer(member.value, depth + 1);
    }
  }
  return false;
}

// The members of an object that a reader needs, found in one pass; where the
// page repeats a name, the first one counts.
template <std::size_t N>
std::array<const Value*, N> findMembers(const Value& object, const std::array<std::string_view, N>& names) {
  std::array<const Value*, N> found{};
  for (const auto& member : object.GetObject()) {
    const std::string_view name(member.name.GetString(), member.name.GetStringLength());
    for (std::size_t i = 0; i < N; ++i) {
      if (!found[i] && name == names[i]) found[i] = &member.value;
    }
  }
  return found;
}

// Reads of one member (null when missing). Nothing means "present with the
// wrong type" (or a missing required member): the value is unusable.
std::optional<std::int32_t> integerOrZero(const Value* member) {
  if (!member) return 0;
  if (!member->IsInt()) return std::nullopt;
  return member->GetInt();
}

// Up to the first NUL, as the printer would receive it.
std::optional<std::string> requiredString(const Value* member) {
  if (!member || !member->IsString()) return std::nullopt;
  return std::string(member->GetString());
}

std::optional<std::u16string> requiredText(const Value* member) {
  const std::optional<std::string> utf8 = requiredString(member);
  if (!utf8) return std::nullopt;
  return base::utf8ToUtf16(*utf8);
}

// The first `paraLen` values of `para`, as far as it has them (at most the
// usable slots); a missing `para` gives none.
std::optional<std::vector<std::int32_t>> parameters(const Value* para, std::int32_t paraLen) {
  std::vector<std::int32_t> values;
  if (paraLen <= 0 || !para) return values;
  if (!para->IsArray()) return std::nullopt;
  const std::size_t count =
      std::min({static_cast<std::size_t>(paraLen), static_cast<std::size_t>(para->Size()), kParameterSlots});
  values.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Value& element = (*para)[static_cast<rapidjson::SizeType>(i)];
    if (!element.IsInt()) return std::nullopt;
    values.push_back(element.GetInt());
  }
  return values;
}

std::optional<ContentItem> parseItem(const Value& item) {
  if (!item.IsObject()) return std::nullopt;
  const auto [typeMember, remarkMember, paraLenMember, contentMember, paraMember] =
      findMembers<5>(item, {"type", "remark", "paraLen", "content", "para"});
  const auto type = integerOrZero(typeMember);
  const auto remark = integerOrZero(remarkMember);
  const auto paraLen = integerOrZero(paraLenMember);
  if (!type || !remark || !paraLen) return std::nullopt;
  ContentItem parsed;
  parsed.type = *type;
  parsed.remark = *remark;
  if (*type == item_type::kText || *type == item_type::kImage) {
    std::optional<std::string> content = requiredString(contentMember);
    if (!content) return std::nullopt;
    parsed.content = std::move(*content);
  }
  std::optional<std::vector<std::int32_t>> values = parameters(paraMember, *paraLen);
  if (!values) return std::nullopt;
  parsed.parameters = std::move(*values);
  return parsed;
}

// A task without `contents` has nothing to print; one whose `contents` is not
// a list is unusable.
std::optional<std::vector<ContentItem>> parseContents(const Value* contents) {
  std::vector<ContentItem> items;
  if (!contents) return items;
  if (!contents->IsArray()) return std::nullopt;
  items.reserve(contents->Size());
  for (const Value& element : contents->GetArray()) {
    if (std::optional<ContentItem> item = parseItem(element)) items.push_back(std::move(*item));
  }
  return items;
}

std::optional<PrintTask> parseTask(const Value& task) {
  if (!task.IsObject()) return std::nullopt;
  const auto [nameMember, addressMember, typeMember, modelMember, widthMember, contentsMember] =
      findMembers<6>(task, {"printerName", "ipaddress", "printerType", "printerModel", "printerWidth", "contents"});
  auto printerName = requiredText(nameMember);
  auto ipaddress = requiredText(addressMember);
  const auto printerType = integerOrZero(typeMember);
  auto printerModel = requiredText(modelMember);
  const auto printerWidth = integerOrZero(widthMember);
  auto contents = parseContents(contentsMember);
  if (!printerName || !ipaddress || !printerType || !printerModel || !printerWidth || !contents) {
    return std::nullopt;
  }
  return PrintTask{.printerName = std::move(*printerName),
                   .ipaddress = std::move(*ipaddress),
                   .printerType = *printerType,
                   .printerModel = std::move(*printerModel),
                   .printerWidth = *printerWidth,
                   .contents = std::move(*contents),
                   .source = {}};
}

}  // namespace

std::string TaskSource::compactJson() const {
  if (!list_) return {};
  rapidjson::StringBuffer buffer;
  rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
  list_->task(index_).Accept(writer);
  return std::string(buffer.GetString(), buffer.GetSize());
}

std::optional<std::vector<PrintTask>> parsePrintTaskList(std::string_view utf8Text) {
  auto list = std::make_shared<ParsedTaskList>();
  // In place: the strings stay in the copy of the text instead of being
  // copied once more. The text ends at its first NUL, as it did when read
  // from a buffer.
  list->text.assign(utf8Text.substr(0, utf8Text.find('\0')));
  rapidjson::Document& document = list->document;
  document.ParseInsitu<rapidjson::kParseIterativeFlag>(list->text.data());
  if (document.HasParseError() || nestsDeeperThan(document, kMaxNesting)) return std::nullopt;

  const std::size_t count = document.IsArray() ? document.Size() : 1;
  std::vector<PrintTask> tasks;
  tasks.reserve(count);
  for (std::size_t index = 0; index < count; ++index) {
    if (std::optional<PrintTask> parsed = parseTask(list->task(index))) {
      parsed->source = TaskSource(list, index);
      tasks.push_back(std::move(*parsed));
    }
  }
  return tasks;
}

}  // namespace lumetra
