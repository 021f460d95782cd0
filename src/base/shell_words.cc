#include "base/shell_words.h"

#include <algorithm>

namespace lumetra {
namespace {

// First pass: cut the text into words that still carry their quotes and
// backslashes, so the second pass can resolve each word on its own. Keeping
// the two passes apart is what makes odd inputs ("a\ #b", a backslash before
// a closing quote) split exactly as GLib splits them.
class WordCutter {
 public:
  std::optional<std::vector<std::string>> cut(std::string_view text);

 private:
  void append(char c) {
    if (!current_) current_.emplace();
    *current_ += c;
  }
  void endWord() {
    if (current_) words_.push_back(std::move(*current_));
    current_.reset();
  }
  void handleUnquoted(std::string_view text, std::size_t at);

  std::vector<std::string> words_;
  std::optional<std::string> current_;
  char quote_ = '\0';  // the open quote, '\\' after a backslash, '#' in a comment
};

std::optional<std::vector<std::string>> WordCutter::cut(std::string_view text) {
  bool oddBackslashes = false;  // a double quote after an odd run of them is escaped
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (quote_ == '\\') {
      if (c != '\n') {
        append('\\');
        append(c);
      }
      quote_ = '\0';
    } else if (quote_ == '#') {
      at = text.find('\n', at);
      quote_ = '\0';
      if (at == std::string_view::npos) break;
    } else if (quote_) {
      if (c == quote_ && !(quote_ == '"' && oddBackslashes)) quote_ = '\0';
      append(c);
    } else {
      handleUnquoted(text, at);
    }
    oddBackslashes = text[at] == '\\' && !oddBackslashes;
  }
  endWord();
  if (quote_ == '\\' || quote_ == '\'' || quote_ == '"') return std::nullopt;
  return std::move(words_);
}

void WordCutter::handleUnquoted(std::string_view text, std::size_t at) {
  const char c = text[at];
  switch (c) {
    case '\n':
    case ' ':
    case '\t':
      endWord();
      break;
    case '\'':
    case '"':
      append(c);
      quote_ = c;
      break;
    case '\\':
      quote_ = c;
      break;
    case '#':
      // Only a # that begins a word starts a comment; GLib looks at the raw
      // previous character, so a tab before it does not count.
      if (at == 0 || text[at - 1] == ' ' || text[at - 1] == '\n') {
        quote_ = c;
      } else {
        append(c);
      }
      break;
    default:
      append(c);
  }
}

bool escapableInDoubleQuotes(char c) { return c == '"' || c == '\\' || c == '`' || c == '$' || c == '\n'; }

// Resolves the inside of a double-quoted part that starts at `at`; returns the
// position after its closing quote.
std::size_t appendDoubleQuoted(std::string_view word, std::size_t at, std::string& out) {
  while (at < word.size() && word[at] != '"') {
    if (word[at] == '\\' && at + 1 < word.size() && escapableInDoubleQuotes(word[at + 1])) {
      out += word[at + 1];
      at += 2;
    } else {
      out += word[at++];
    }
  }
  return at + 1;
}

// Second pass: removes quotes and backslashes from one word.
std::string unquote(std::string_view word) {
  std::string out;
  std::size_t at = 0;
  while (at < word.size()) {
    const char c = word[at++];
    if (c == '\\') {
      if (at < word.size() && word[at] != '\n') out += word[at];
      ++at;
    } else if (c == '\'') {
      const std::size_t close = std::min(word.find('\'', at), word.size());
      out.append(word.substr(at, close - at));
      at = close + 1;
    } else if (c == '"') {
      at = appendDoubleQuoted(word, at, out);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::optional<std::vector<std::string>> splitShellWords(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  auto words = WordCutter().cut(text);
  if (words) {
    for (std::string& word : *words) word = unquote(word);
  }
  return words;
}

std::vector<std::string> splitWindowsCommandLine(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (true) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    if (at == text.size()) return arguments;
    std::string& argument = arguments.emplace_back();
    bool quoted = false;
    while (at < text.size() && (quoted || (text[at] != ' ' && text[at] != '\t'))) {
      std::size_t backslashes = 0;
      while (at < text.size() && text[at] == '\\') ++backslashes, ++at;
      if (at == text.size() || text[at] != '"') {
        argument.append(backslashes, '\\');
        if (backslashes == 0) argument += text[at++];
        continue;
      }
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
        argument += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    }
  }
}

}  // namespace lumetra
