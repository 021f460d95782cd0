#include "base/shell_words.h"

#include <gtest/gtest.h>
#include <glib.h>

#include <random>

namespace lumetra {
namespace {

// GLib's splitter is the reference: the core keeps its own copy of the rules
// because it may not include GLib.
std::optional<std::vector<std::string>> splitByGLib(const std::string& text) {
  int count = 0;
  char** words = nullptr;
  GError* error = nullptr;
  if (!g_shell_parse_argv(text.c_str(), &count, &words, &error)) {
    const bool empty = g_error_matches(error, G_SHELL_ERROR, G_SHELL_ERROR_EMPTY_STRING);
    g_error_free(error);
    if (empty) return std::vector<std::string>{};
    return std::nullopt;
  }
  std::vector<std::string> result(words, words + count);
  g_strfreev(words);
  return result;
}

// GLib rejects a text whose last character starts a comment as if a quote
// were open; like a shell, we take it as an empty comment, which is what GLib
// gives once the line is ended.
std::optional<std::vector<std::string>> splitLikeAShell(const std::string& text) {
  const auto words = splitByGLib(text);
  if (words || text.empty() || text.back() != '#') return words;
  return splitByGLib(text + "\n");
}

TEST(ShellWordsTest, SplitsTrickyTextsLikeGLib) {
  const std::vector<std::string> texts = {"",
                                          " \t\n ",
                                          "a",
                                          "  a  b\tc\nd  ",
                                          "\"\"",
                                          "''",
                                          "a\"\"b",
                                          "\"a b\" 'c d'",
                                          "a\\ b",
                                          "a\\\\ b",
                                          "\"a\\\"b\"",
                                          "\"a\\\\\"b",
                                          "\"\\a\\$\\`\\\n\"",
                                          "'a\\'",
                                          "a\\\nb",
                                          "#c",
                                          "a #c\nb",
                                          "a#b",
                                          "a\t#b",
                                          "a\\ #b\nc",
                                          "a #",
                                          "a\\#",
                                          "#",
                                          "\"a\n#b\"",
                                          "'",
                                          "\"",
                                          "a\\",
                                          "\"a\\\"",
                                          "'a\"b'\"c'd\"",
                                          "x;rm -rf /",
                                          "$(id) `id` |&<>",
                                          "--url \"http://h/a b.zip\" --restart 'Lumetra'",
                                          "中文 \"参数 一\" 提示\\ 二"};
  for (const std::string& text : texts) {
    EXPECT_EQ(splitShellWords(text), splitLikeAShell(text)) << "text: [" << text << "]";
  }
}

// Random texts over the characters the rules treat specially find the
// combinations nobody thinks of.
TEST(ShellWordsTest, SplitsRandomTextsLikeGLib) {
  const std::string alphabet = " \t\n'\"\\#$`a;b";
  std::mt19937 random(20240607);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 12);
  for (int i = 0; i < 50000; ++i) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += alphabet[pick(random)];
    ASSERT_EQ(splitShellWords(text), splitLikeAShell(text)) << "text: [" << text << "]";
  }
}

TEST(ShellWordsTest, TextEndsAtTheFirstNul) {
  EXPECT_EQ(splitShellWords(std::string("a b\0 c", 6)), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitShellWords(std::string("\0 c", 3)), std::vector<std::string>{});
}

// The C runtime's rules for a Windows program's own command line.
TEST(WindowsCommandLineTest, SplitsAsTheCRuntimeDoesWithAnOpenQuoteRunningToTheEnd) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {" \t ", {}},
      {"a  b\tc", {"a", "b", "c"}},
      {"--x=\"a b", {"--x=a b"}},
      {"\"a b\" c", {"a b", "c"}},
      {"\"\" x", {"", "x"}},
      {"'a b'", {"'a", "b'"}},
      {"a\\b c\\", {"a\\b", "c\\"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\"b", {"a\"b"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"x\"", {"x"}},
      {std::string("a b\0c", 5), {"a", "b"}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(splitWindowsCommandLine(text), expected) << text;
}

}  // namespace
}  // namespace lumetra
