#include "base/profile.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace lumetra {
namespace {

class ProfileTest : public ::testing::Test {
 protected:
  std::int32_t integer(const std::string& value, std::int32_t fallback = -7) {
    const auto file = dir_.write("p.ini", "[s]\nk=" + value + "\n");
    return readProfileInt(file, u"s", u"k", fallback);
  }
  test::TempDir dir_;
};

TEST_F(ProfileTest, IntegersReadSignAndDigitsUpToTheFirstOtherCharacter) {
  EXPECT_EQ(integer("42"), 42);
  EXPECT_EQ(integer("+5"), 5);
  EXPECT_EQ(integer("-1"), -1);
  EXPECT_EQ(integer("12ab3"), 12);
  EXPECT_EQ(integer("abc"), 0);
  EXPECT_EQ(integer("0x10"), 0);
  EXPECT_EQ(integer("4294967297"), 1);  // wraps like a 32-bit accumulator
  EXPECT_EQ(integer(""), -7);           // empty value: the default
}

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
  const auto file = dir_.write("p.ini", "[s]\nk=1\n");
  EXPECT_EQ(readProfileInt(dir_.path() / "none.ini", u"s", u"k", 3), 3);
  EXPECT_EQ(readProfileInt(file, u"t", u"k", 4), 4);
  EXPECT_EQ(readProfileInt(file, u"s", u"j", 5), 5);
  EXPECT_EQ(readProfileString(file, u"s", u"j", u"dflt", 64), u"dflt");
}

TEST_F(ProfileTest, StringsAreTrimmedUnquotedAndCutToTheBuffer) {
  const auto file = dir_.write("p.ini", "[s]\r\n  key  =  'a b'  \r\nlong=abcdef\r\nkeyless line\r\nempty=\r\n");
  EXPECT_EQ(readProfileString(file, u"S", u"KEY", u"", 64), u"a b");
  EXPECT_EQ(readProfileString(file, u"s", u"long", u"", 4), u"abc");
  EXPECT_EQ(readProfileString(file, u"s", u"empty", u"x", 64), u"");
}

TEST_F(ProfileTest, ASectionIsItsFirstOccurrenceAndListsEachKeyOnceInFileOrder) {
  const auto file = dir_.write("p.ini", "[a]\nx=1\n[b]\ny=2\n; z=0\nY = '4'\nz\nw=5\n[a]\ny=3\n");
  EXPECT_EQ(readProfileInt(file, u"a", u"y", 0), 0);
  EXPECT_EQ(readProfileInt(file, u"b", u"y", 0), 2);
  using Entries = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(readProfileSection(file, u"A", 10), (Entries{{u"x", u"1"}}));
  EXPECT_EQ(readProfileSection(file, u"b", 10), (Entries{{u"y", u"2"}, {u"w", u"5"}}));
  EXPECT_EQ(readProfileSection(file, u"b", 1), (Entries{{u"y", u"2"}}));
  EXPECT_TRUE(readProfileSection(dir_.path() / "none.ini", u"b", 10).empty());
}

}  // namespace
}  // namespace lumetra
