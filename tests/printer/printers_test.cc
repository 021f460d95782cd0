#include "printer/printers.h"

#include <gtest/gtest.h>

#include "base/log.h"
#include "printer/ansi_text.h"
#include "printer/printer_sessions.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::hexBytes;

class PrinterRegistryTest : public test::ContextTest {
 protected:
};

TEST_F(PrinterRegistryTest, FirstLookupCreatesBlankSessionAndSecondReturnsSameOne) {
  PrinterSession& first = test::sessionOf(context_.printers, u"POS-80");
  EXPECT_FALSE(first.isOpen());
  EXPECT_EQ(first.handle, platform::kNoPrinterHandle);
  EXPECT_TRUE(first.modelName.empty());
  EXPECT_EQ(first.commands.bytes, PrinterModelConfig{}.bytes);

  first.handle = 0;  // zero is a real handle, not the marker
  first.commands[7] = 0x42;
  PrinterSession& second = test::sessionOf(context_.printers, u"POS-80");
  EXPECT_EQ(&first, &second);
  EXPECT_TRUE(second.isOpen());
  EXPECT_EQ(second.commands[7], 0x42);
  EXPECT_EQ(test::sessionsOf(context_.printers).size(), 1u);
}

// CUPS takes "Kitchen" and "kitchen" for one queue; two sessions on it
// would interleave two jobs on one printer.
TEST_F(PrinterRegistryTest, NamesDifferingOnlyInAsciiCaseAreOneSessionLikeCupsQueues) {
  Printers& printers = context_.printers;
  test::sessionOf(printers, u"Kitchen").handle = 1;
  EXPECT_EQ(sessionHandle(printers, u"kitchen"), 1u);
  EXPECT_EQ(sessionHandle(printers, u"KITCHEN"), 1u);
  EXPECT_EQ(test::sessionsOf(printers).size(), 1u);
  EXPECT_EQ(test::sessionsOf(printers).begin()->first, u"Kitchen") << "the first spelling stays";
  // Only ASCII letters fold, as in CUPS: full-width and accented letters
  // name other printers.
  test::sessionOf(printers, u"\xFF2Bitchen");
  test::sessionOf(printers, u"K\x00EEtchen");
  test::sessionOf(printers, u"K\x00CEtchen");
  EXPECT_EQ(test::sessionsOf(printers).size(), 4u);
}

TEST_F(PrinterRegistryTest, KeysOrderByUnsignedCodeUnitWithAsciiLettersFoldedAndPrefixFirst) {
  for (const char16_t* name : {u"\xFF21", u"ab", u"a", u"B", u"\x4E2D", u"_"}) {
    test::sessionOf(context_.printers, name);
  }
  std::vector<std::u16string> order;
  for (const auto& entry : test::sessionsOf(context_.printers)) order.push_back(entry.first);
  EXPECT_EQ(order, (std::vector<std::u16string>{u"_", u"a", u"ab", u"B", u"\x4E2D", u"\xFF21"}));
}

// Asking after a printer, or closing one never opened, remembers nothing:
// only opening and attaching a model do.
TEST_F(PrinterRegistryTest, LookingUpOrClosingAnUnknownPrinterRemembersNothing) {
  EXPECT_EQ(sessionHandle(context_.printers, u"new"), platform::kNoPrinterHandle);
  {
    OutputSequence output(context_.printers);
    closePrinterSession(context_.printers, u"new", true);
  }
  EXPECT_EQ(test::findSession(context_.printers, u"NEW"), nullptr);
  EXPECT_TRUE(test::sessionsOf(context_.printers).empty());
}

// A page naming ever new printers meets the bound; every printer already
// known keeps its session (open ones above all), and the kitchen printers'
// table is there whatever the registry holds. Stderr says so once.
TEST_F(PrinterRegistryTest, HoldsAtMostItsBoundOfPrintersAndDropsNoneToMakeRoom) {
  Printers& printers = context_.printers;
  std::vector<std::string> lines;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
  {
    PrinterTables tables(printers);
    for (std::size_t i = 0; i < kMaxPrinterSessions; ++i) {
      ASSERT_NE(tables.session(u"P" + std::u16string(i, u'x')), nullptr) << i;
    }
    tables.session(u"P")->handle = 7;
    EXPECT_EQ(tables.session(u"Q"), nullptr);
    EXPECT_EQ(tables.session(u"R"), nullptr);
    EXPECT_EQ(lines,
              std::vector<std::string>{"256 printers are remembered already: printers of other names are refused"});
    EXPECT_EQ(tables.session(u"p")->handle, 7u);
  }
  {
    OutputSequence output(printers);
    closePrinterSession(printers, u"P", true);
  }
  PrinterTables tables(printers);
  EXPECT_NE(tables.session(u"Q"), nullptr);
  tables.kitchenCommands()[3] = 0x1b;
  EXPECT_EQ(tables.kitchenCommands()[3], 0x1b);
  EXPECT_EQ(tables.sessions().size(), kMaxPrinterSessions + 1);
}

TEST(AnsiTextTest, EmptyTextGivesExactlyOneNul) { EXPECT_EQ(toAnsiBytes(u""), std::string(1, '\0')); }

TEST(AnsiTextTest, ChineseTextGivesGbkBytesAndTerminator) {
  EXPECT_EQ(toAnsiBytes(u"提示"), hexBytes("cc e1 ca be 00"));
  EXPECT_EQ(toAnsiBytes(u"顾客显示A1"), hexBytes("b9 cb bf cd cf d4 ca be 41 31 00"));
  // A second byte of 0x5C must survive as it is.
  EXPECT_EQ(toAnsiBytes(u"嘰"), hexBytes("87 5c 00"));
}

TEST(AnsiTextTest, UnrepresentableCharactersBecomeQuestionMarks) {
  // One "?" per character: a surrogate pair is one character, and a lone
  // surrogate is one too.
  EXPECT_EQ(toAnsiBytes(u"a\U0001F600b"), std::string("a?b") + '\0');
  EXPECT_EQ(toAnsiBytes(std::u16string(u"x") + char16_t(0xD800) + u"y"), std::string("x?y") + '\0');
  EXPECT_EQ(toAnsiBytes(std::u16string(u"z") + char16_t(0xDC00)), std::string("z?") + '\0');
}

TEST(AnsiTextTest, PrintersGetBytesUpToTheFirstNul) {
  const std::string bytes = toAnsiBytes(std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(bytes, std::string("ab\0cd\0", 6));
  EXPECT_EQ(bytesUpToNul(bytes), "ab");
}

TEST(AnsiTextTest, AnsiBytesConvertBackToUtf16) {
  EXPECT_EQ(fromAnsiBytes(hexBytes("cc e1 ca be 00 41")), u"提示");
  EXPECT_EQ(fromAnsiBytes(hexBytes("87 5c 41")), u"嘰A");
  // 0xFF is no GBK lead byte.
  EXPECT_EQ(fromAnsiBytes(hexBytes("41 ff 42")), u"A?B");
}

}  // namespace
}  // namespace lumetra
