#include "tasks/task_layout.h"

#include <gtest/gtest.h>

#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "support/temp_dir.h"
#include "support/test_context.h"
#include "tasks/print_task.h"

namespace lumetra {
namespace {

using test::hexBytes;
using Kind = TaskOutput::Kind;

// The shipped models: RQ2 sizes with GS ! (wide 10, tall 01) and has no
// pre-feed; QV52K sizes with ESC ! and pre-feeds three lines once.
PrinterModelConfig shippedModel(std::u16string_view model) {
  const test::ScopedWorkingDirectory cwd(LUMETRA_SOURCE_DIR);
  PrinterModelConfig table;
  loadModelConfig(table, model);
  return table;
}

class TaskLayoutTest : public test::ContextTest {
 protected:
  // The task's bytes when it holds no picture.
  std::string bytesOf(std::string_view contents, std::int32_t width = 10) {
    const auto pieces = piecesOf(contents, width);
    EXPECT_EQ(pieces.size(), 1u);
    return pieces.empty() ? "" : pieces[0].data;
  }
  std::vector<TaskOutput> piecesOf(std::string_view contents, std::int32_t width = 10) {
    const std::string json =
        R"({"printerName":"P","ipaddress":"","printerModel":"","contents":[)" + std::string(contents) + "]}";
    const auto tasks = parsePrintTaskList(json);
    EXPECT_TRUE(tasks && tasks->size() == 1) << json;
    if (!tasks || tasks->empty()) return {};
    return layoutTaskContents(tasks->front().contents, table_, width);
  }

  PrinterModelConfig table_ = shippedModel(u"RQ2");
};

TEST_F(TaskLayoutTest, TextRemarksChooseTheCharacterSize) {
  EXPECT_EQ(bytesOf(R"({"content":"a"},{"content":"b","remark":1},{"content":"c","remark":2},)"
                    R"({"content":"d","remark":3},{"content":"e","remark":9},{"content":"f","remark":8},)"
                    R"({"content":"g","remark":-8})"),
            hexBytes("1b 40  1d 21 00 61  1d 21 01 62  1d 21 10 63  1d 21 11 64  65 0d 0a  66  67"));
  EXPECT_EQ(table_[model_offset::kSizeValue], 0x11);  // the last size stays in the shared table
}

TEST_F(TaskLayoutTest, AlignedLinesArePaddedWhenTheModelCannotAlign) {
  const std::string items =
      R"({"content":"ab\n","remark":4,"paraLen":1,"para":[0]},{"content":"ab","remark":5,"paraLen":1,"para":[1]},)"
      R"({"content":"ab","remark":6,"paraLen":1,"para":[2]},{"content":"ab","remark":7},)"
      R"({"content":"ab","remark":12,"paraLen":1,"para":[1]},{"content":"abcdefghijkl","remark":4})";
  EXPECT_EQ(bytesOf(items),
            hexBytes("1b 40") + hexBytes("1d 21 00") + "ab        \n" + hexBytes("1d 21 01") + "    ab\n" +
                hexBytes("1d 21 10") + "   ab\n" + hexBytes("1d 21 11") + "   ab\n" + " ab\n" + hexBytes("1d 21 00") +
                "abcdefghij");  // too long: cut, no line end
  // Without a width those lines come out empty; so with a width no printer has.
  EXPECT_EQ(bytesOf(R"({"content":"ab","remark":4})", 0), hexBytes("1b 40 1d 21 00"));
  EXPECT_EQ(bytesOf(R"({"content":"ab","remark":4})", 5000), hexBytes("1b 40 1d 21 00"));
  EXPECT_EQ(bytesOf(R"({"content":"ab","remark":6})", -4), hexBytes("1b 40 1d 21 10"));
}

TEST_F(TaskLayoutTest, AlignedLinesUseTheAlignmentCommandWhileItsValueIsNotZero) {
  table_[model_offset::kAlignValue] = 1;
  EXPECT_EQ(bytesOf(R"({"content":"ab","remark":5,"paraLen":1,"para":[2]},)"
                    R"({"content":"cd","remark":4,"paraLen":1,"para":[0]},{"content":"ef","remark":4})"),
            hexBytes("1b 40  1b 61 02 61 62  1b 61 00 63 64  1d 21 00") + "ef        \n");
  EXPECT_EQ(table_[model_offset::kAlignValue], 0);
}

TEST_F(TaskLayoutTest, FeedsInSevenStepUnitsAfterTheModelsPreFeed) {
  EXPECT_EQ(bytesOf(R"({"type":1,"remark":0,"paraLen":1,"para":[25]},{"type":1,"remark":0,"paraLen":1,"para":[20]})"),
            hexBytes("1b 40  1b 4a 46 1b 4a 46 1b 4a 23  1b 4a 46 1b 4a 46"));
  // Negative or zero: only the pre-feed (none here); absurd lengths: nothing.
  EXPECT_EQ(bytesOf(R"({"type":1,"paraLen":1,"para":[-25]},{"type":1,"paraLen":1,"para":[1001]})"), hexBytes("1b 40"));
  table_[model_offset::kPreFeedLines] = 0;
  table_[model_offset::kPreFeedRepeat] = 2;
  EXPECT_EQ(bytesOf(R"({"type":1,"paraLen":1,"para":[3]})"), hexBytes("1b 40  1b 4a 00 1b 4a 00 1b 4a 15"));

  table_ = shippedModel(u"QV52K");
  EXPECT_EQ(bytesOf(R"({"type":1,"paraLen":1,"para":[10]})"), hexBytes("1b 40  1b 4a 15 1b 4a 46"));
}

TEST_F(TaskLayoutTest, CutDrawerAndBeepCommands) {
  EXPECT_EQ(bytesOf(R"({"type":1,"remark":1,"content":7},{"type":1,"remark":2,"paraLen":3,"para":[0,25,250]},)"
                    R"({"type":1,"remark":2,"paraLen":3,"para":[257,-1,60]},{"type":1,"remark":3},)"
                    R"({"type":1,"remark":4},{"type":3,"content":"x"})"),
            hexBytes("1b 40  1d 56 00  1b 70 00 19 fa  1b 70 01 ff 3c  1b 42 03 02 00"));
}

TEST_F(TaskLayoutTest, ParametersCarryOverBetweenItemsButNotBetweenTasks) {
  // The drawer item reuses 25 and 250 from the earlier items; the first
  // item of a task sees zeros, never values from before.
  EXPECT_EQ(bytesOf(R"({"type":1,"remark":2},{"type":9,"paraLen":3,"para":[1,25,250]},)"
                    R"({"type":1,"remark":2,"paraLen":1,"para":[0]})"),
            hexBytes("1b 40  1b 70 00 00 00  1b 70 00 19 fa"));
  EXPECT_EQ(bytesOf(R"({"type":1,"remark":2})"), hexBytes("1b 40  1b 70 00 00 00"));
}

TEST_F(TaskLayoutTest, PicturesSplitTheOutput) {
  EXPECT_EQ(piecesOf(R"({"type":2,"content":"QUJD"},{"content":"a"},{"type":2,"content":"REVG"},)"
                     R"({"type":2,"content":""},{"type":1,"remark":1})"),
            (std::vector<TaskOutput>{{Kind::kBytes, hexBytes("1b 40")},
                                     {Kind::kImage, "QUJD"},
                                     {Kind::kBytes, hexBytes("1d 21 00 61")},
                                     {Kind::kImage, "REVG"},
                                     {Kind::kImage, ""},
                                     {Kind::kBytes, hexBytes("1d 56 00")}}));
  EXPECT_EQ(piecesOf(R"({"content":"a","remark":8},{"type":2,"content":"QUJD"})"),
            (std::vector<TaskOutput>{{Kind::kBytes, hexBytes("1b 40 61")}, {Kind::kImage, "QUJD"}}));
}

TEST(FitToWidthTest, PadsAlignsAndCuts) {
  EXPECT_EQ(fitToWidth("abc", 10, 0), "abc       \n");
  EXPECT_EQ(fitToWidth("abc", 10, 1), "   abc\n");
  EXPECT_EQ(fitToWidth("abc", 10, 2), "       abc\n");
  EXPECT_EQ(fitToWidth("abc", 10, -7), "       abc\n");
  EXPECT_EQ(fitToWidth("abcdefghijkl", 10, 0), "abcdefghij");
  EXPECT_EQ(fitToWidth("abc\n", 3, 0), "abc");
  EXPECT_EQ(fitToWidth("\n", 2, 0), "  \n");
  EXPECT_EQ(fitToWidth("abc", 0, 0), "");
  EXPECT_EQ(fitToWidth("abc", -1, 2), "");
}

TEST(FitToWidthTest, NeverCutsADoubleByteCharacterInHalf) {
  const std::string text = "a" + hexBytes("cc e1 ca be");  // a提示
  EXPECT_EQ(fitToWidth(text, 4, 0), "a" + hexBytes("cc e1") + " ");
  EXPECT_EQ(fitToWidth(text, 3, 0), "a" + hexBytes("cc e1"));
  EXPECT_EQ(fitToWidth(text, 2, 0), "a ");
  EXPECT_EQ(fitToWidth(text, 5, 1), text);
  EXPECT_EQ(fitToWidth(text, 7, 1), " " + text + "\n");
}

}  // namespace
}  // namespace lumetra
