#include <gtest/gtest.h>

#include "base/utf.h"
#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::hexBytes;

// Loads settings files from a private ./dev folder.
class ModelConfigTest : public test::ContextTest {
 protected:
  void writeModel(const std::string& model, const std::string& content) {
    dir_.write("dev/" + model + ".ini", content);
  }
  std::string tableBytes(const std::u16string& printer, std::size_t offset, std::size_t length) {
    return test::sessionOf(context_.printers, printer).commands.command(offset, length);
  }

  test::TempDir dir_;
  test::ScopedWorkingDirectory cwd_{dir_.path()};
};

TEST_F(ModelConfigTest, FillsEveryFieldAtItsOffset) {
  writeModel("RQ2",
             "[roll]\ncmd=27,74,0\np1=2\np2=3\n"
             "[cut]\ncmd=29,86,66\np=1\n"
             "[zoom]\ncmd=29,33,0\np1=16\np2=1\np3=34\n"
             "[align]\ncmd=27,97,0\n"
             "[img]\ncmd=29,118,48,0,1,2,3,4\n"
             "[imgPrint]\ncmd=27,74,0\n"
             "[cashdraw]\ncmd=27,112,0,50,50\n"
             "[beep]\ncmd=27,66,3,2,0\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"RQ2");
  EXPECT_EQ(tableBytes(u"P", 0, 40),
            hexBytes("1b 4a 00 02 03"           // roll cmd, p1, p2
                     "1d 56 42 01"              // cut cmd, p
                     "1d 21 00"                 // zoom cmd
                     "1b 61 00"                 // align cmd
                     "10 01 11 22"              // zoom p1, p2, p1|p2, p3
                     "1d 76 30 00 01 02 03 04"  // img
                     "1b 4a 00"                 // imgPrint
                     "1b 70 00 32 32"           // cashdraw
                     "1b 42 03 02 00"));        // beep
}

TEST_F(ModelConfigTest, ByteListsSplitLikeStrtokAndConvertLikeAtoi) {
  writeModel("M",
             "[cashdraw]\ncmd=27,112,0,50,50,99\n"  // sixth number ignored
             "[cut]\ncmd=29,86\n"                   // missing third byte stays 0
             "[align]\ncmd=,27,,97,\n"              // empty pieces skipped
             "[beep]\ncmd= 7x,abc,-1,256,+66\n"     // atoi: blanks, junk, sign, wrap
             "[roll]\ncmd=300\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"M");
  EXPECT_EQ(tableBytes(u"P", 30, 5), hexBytes("1b 70 00 32 32"));
  EXPECT_EQ(tableBytes(u"P", 5, 3), hexBytes("1d 56 00"));
  EXPECT_EQ(tableBytes(u"P", 12, 3), hexBytes("1b 61 00"));
  EXPECT_EQ(tableBytes(u"P", 35, 5), hexBytes("07 00 ff 00 42"));
  EXPECT_EQ(tableBytes(u"P", 0, 3), hexBytes("2c 00 00"));
}

TEST_F(ModelConfigTest, IntegersKeepTheirLowEightBitsAndOffset17IsTheOr) {
  writeModel("M", "[zoom]\np1=16\np2=1\n[roll]\np1=300\np2=-1\n[cut]\np=  +7junk\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"M");
  const PrinterModelConfig& table = test::sessionOf(context_.printers, u"P").commands;
  EXPECT_EQ(table[17], 0x11);
  EXPECT_EQ(table[3], 44);
  EXPECT_EQ(table[4], 0xff);
  EXPECT_EQ(table[8], 7);
}

TEST_F(ModelConfigTest, SectionAndKeyNamesIgnoreCaseAndTheFirstMatchWins) {
  writeModel("M",
             "; a comment line\n[ZOOM]\r\nP1 = 16\r\np1=99\r\n"
             "[Cut]\nCMD = \"29,86,1\"\n[cut]\ncmd=1,1,1\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"M");
  EXPECT_EQ(test::sessionOf(context_.printers, u"P").commands[15], 16);
  EXPECT_EQ(tableBytes(u"P", 5, 3), hexBytes("1d 56 01"));
}

TEST_F(ModelConfigTest, OnlySixtyThreeCharactersOfAValueCount) {
  // "1,2," and 56 blanks are 60 characters, so of "29,86" only "29," fits.
  writeModel("M", "[img]\ncmd=1,2," + std::string(56, ' ') + "29,86\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"M");
  EXPECT_EQ(tableBytes(u"P", 19, 8), hexBytes("01 02 1d 00 00 00 00 00"));
}

TEST_F(ModelConfigTest, EmptyModelNameReadsNormalIni) {
  writeModel("normal", "[cut]\ncmd=29,86,0\n");
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"");
  EXPECT_EQ(tableBytes(u"P", 5, 3), hexBytes("1d 56 00"));
  EXPECT_EQ(modelSettingsPath(u""), std::filesystem::path("./dev/normal.ini"));
  EXPECT_EQ(modelSettingsPath(u"QV52K"), std::filesystem::path("./dev/QV52K.ini"));
  EXPECT_EQ(modelSettingsPath(u"a.b"), std::filesystem::path("./dev/a.b.ini"));
}

TEST_F(ModelConfigTest, ReloadZeroesTheTableAndKeepsHandleAndModelName) {
  writeModel("M", "[cut]\ncmd=29,86,0\np=1\n");
  PrinterSession& session = test::sessionOf(context_.printers, u"P");
  session.handle = 9;
  session.modelName = u"Earlier";
  session.commands.bytes.fill(0xEE);
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"Missing");
  EXPECT_EQ(session.commands.bytes, PrinterModelConfig{}.bytes);
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"M");
  EXPECT_EQ(tableBytes(u"P", 5, 4), hexBytes("1d 56 00 01"));
  EXPECT_EQ(session.handle, 9u);
  EXPECT_EQ(session.modelName, u"Earlier");
}

TEST_F(ModelConfigTest, ReadsGbkAndUtf16SettingsFiles) {
  // A shop's editor may save as GBK (comment in Chinese) or UTF-16 with BOM.
  writeModel("G", "; \xcc\xe1\xca\xbe\n[cut]\ncmd=29,86,2\n");
  const std::string ascii = "[cut]\ncmd=29,86,3\n";
  std::string utf16 = "\xff\xfe";
  for (char c : ascii) utf16 += std::string{c, '\0'};
  writeModel("U", utf16);
  loadModelConfig(test::sessionOf(context_.printers, u"G").commands, u"G");
  loadModelConfig(test::sessionOf(context_.printers, u"U").commands, u"U");
  EXPECT_EQ(tableBytes(u"G", 5, 3), hexBytes("1d 56 02"));
  EXPECT_EQ(tableBytes(u"U", 5, 3), hexBytes("1d 56 03"));
}

// openPrinterWithModel("x", "/etc/x") must not read files outside dev/.
TEST_F(ModelConfigTest, AModelNameThatIsAPathReadsNothing) {
  writeModel("normal", "[cut]\ncmd=29,86,0\n");
  dir_.write("outside.ini", "[cut]\ncmd=29,86,7\n");
  dir_.write("dev/sub/inner.ini", "[cut]\ncmd=29,86,8\n");
  const std::u16string absolute = utf8ToUtf16((dir_.path() / "outside").string());
  for (const std::u16string& name : {absolute, std::u16string(u"../outside"), std::u16string(u"sub/inner"),
                                     std::u16string(u".."), std::u16string(u"normal\0x", 8)}) {
    PrinterModelConfig table;
    table.bytes.fill(0xEE);
    loadModelConfig(table, name);
    EXPECT_EQ(table.bytes, PrinterModelConfig{}.bytes) << utf16ToUtf8(name);
    EXPECT_FALSE(modelSettingsPath(name));
  }
}

// What start-up names on stderr and to the staff: every setting a receipt
// depends on that is missing or garbled, by file and key.
TEST_F(ModelConfigTest, ChecksNameTheFileAndSettingOfEveryMissingOrGarbledValue) {
  EXPECT_EQ(checkModelFolder("dev").size(), 1u);
  EXPECT_EQ(describe(checkModelFolder("dev").front()), "dev is missing: printers get no commands");

  writeModel("good",
             "[roll]\ncmd=27,74,\n[cut]\ncmd=29,86,0\np=1\n[zoom]\ncmd=29,33,0\np1=16\np2=-1\n"
             "[align]\ncmd=27,97,0\n[img]\ncmd=29,118,48,0,0,0,24,0\n[imgPrint]\ncmd= 27 , 74,0\n"
             "[cashdraw]\ncmd=27,112,0,60,120\n[beep]\ncmd=27,66,3,2\n");
  writeModel("bad",
             "[roll]\ncmd=27,74,,x\np1=x\n[cut]\ncmd=\np=1\n[zoom]\ncmd=29;33;0\np1=16\np2=256\n"
             "[align]\ncmd=27,97,0\n[img]\ncmd=29,118,48,0,0,0,24,0\n[imgPrint]\ncmd=27,74,0\n"
             "[cashdraw]\ncmd=27,112,0,60,1200\n");
  writeModel("empty", "");
  std::vector<std::string> found;
  for (const ModelFileProblem& problem : checkModelFolder("dev")) found.push_back(describe(problem));
  EXPECT_EQ(found,
            (std::vector<std::string>{
                "dev/normal.ini is missing: printers with no model get no commands",
                "dev/bad.ini: [roll] cmd is not a list of byte values 0 to 255: \"27,74,,x\"",
                "dev/bad.ini: [roll] p1 is not a number from -128 to 255: \"x\"", "dev/bad.ini: [cut] cmd is empty",
                "dev/bad.ini: [zoom] cmd is not a list of byte values 0 to 255: \"29;33;0\"",
                "dev/bad.ini: [zoom] p2 is not a number from -128 to 255: \"256\"",
                "dev/bad.ini: [cashdraw] cmd is not a list of byte values 0 to 255: \"27,112,0,60,1200\"",
                "dev/bad.ini: [beep] cmd is missing", "dev/empty.ini: [roll] cmd is missing",
                "dev/empty.ini: [cut] cmd is missing", "dev/empty.ini: [cut] p is missing",
                "dev/empty.ini: [zoom] cmd is missing", "dev/empty.ini: [zoom] p1 is missing",
                "dev/empty.ini: [zoom] p2 is missing", "dev/empty.ini: [align] cmd is missing",
                "dev/empty.ini: [img] cmd is missing", "dev/empty.ini: [imgPrint] cmd is missing",
                "dev/empty.ini: [cashdraw] cmd is missing", "dev/empty.ini: [beep] cmd is missing"}));
  // The shipped files are complete.
  for (const auto& model : {"normal", "RQ2", "QV52K"}) {
    const auto shipped = std::filesystem::path(LUMETRA_SOURCE_DIR) / "dev" / (std::string(model) + ".ini");
    EXPECT_TRUE(checkModelFile(shipped).empty()) << model;
  }
}

TEST(ParseByteListTest, StopsAtTheByteCount) {
  EXPECT_EQ(parseByteList("1,2,3,4", 2), (std::vector<std::uint8_t>{1, 2}));
  EXPECT_TRUE(parseByteList("", 3).empty());
  EXPECT_TRUE(parseByteList(",,,", 3).empty());
}

}  // namespace
}  // namespace lumetra
