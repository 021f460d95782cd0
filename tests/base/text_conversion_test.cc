#include <gtest/gtest.h>

#include "base/code_page.h"
#include "base/utf.h"

namespace lumetra {
namespace {

TEST(UtfTest, RoundTripsAllPlanes) {
  const std::string text = "A\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80";  // A é 中 😀
  EXPECT_EQ(utf8ToUtf16(text), u"A\u00e9\u4e2d\U0001F600");
  EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(text)), text);
}

TEST(UtfTest, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf8ToUtf16("a\xff"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(utf8ToUtf16("\xe4\xb8"), u"\uFFFD");      // truncated
  EXPECT_EQ(utf8ToUtf16("\xc0\xaf"), u"\uFFFD");      // overlong
  EXPECT_EQ(utf8ToUtf16("\xed\xa0\x80"), u"\uFFFD");  // encoded surrogate
  EXPECT_EQ(utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xef\xbf\xbd");
}

TEST(CodePageTest, LongTextsConvertCompletely) {
  std::u16string text;
  for (int i = 0; i < 5000; ++i) text += u"中a";
  const std::string bytes = utf16ToAnsi(text);
  ASSERT_EQ(bytes.size(), 15000u);
  EXPECT_EQ(bytes.substr(0, 3),
            "\xd6\xd0"
            "a");
  EXPECT_EQ(ansiToUtf16(bytes), text);
}

// UTF-8 text is converted without iconv; it must come out as the iconv
// conversion gives it, character by character over the whole plane, and for
// characters beyond it, surrogates and malformed sequences.
TEST(CodePageTest, Utf8TextConvertsAsThroughUtf16) {
  std::u16string plane;
  for (char32_t unit = 0; unit < 0x10000; ++unit) {
    if (unit < 0xD800 || unit > 0xDFFF) plane += static_cast<char16_t>(unit);
  }
  EXPECT_EQ(utf8ToAnsi(utf16ToUtf8(plane)), utf16ToAnsi(plane));
  std::string everyAscii;
  for (int byte = 0; byte < 0x80; ++byte) everyAscii += static_cast<char>(byte);
  for (const std::string& text :
       {everyAscii, std::string("Total \xe5\x90\x88\xe8\xae\xa1 12.50"),
        std::string("a\xff"
                    "b\xe4\xb8"),
        std::string("\xed\xa0\x80\xc0\xaf"), std::string("\xf0\x9f\x98\x80 \xe2\x82\xac \xf4\x8f\xbf\xbf")}) {
    EXPECT_EQ(utf8ToAnsi(text), utf16ToAnsi(utf8ToUtf16(text))) << text;
  }
  EXPECT_EQ(utf8ToAnsi("Total \xe5\x90\x88\xe8\xae\xa1"), "Total \xba\xcf\xbc\xc6");
}

}  // namespace
}  // namespace lumetra
