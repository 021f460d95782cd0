#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tasks/print_task.h"
#include "tasks/task_layout.h"

namespace lumetra {
namespace {

using test::hexBytes;

std::vector<PrintTask> tasksOf(std::string_view json) {
  std::optional<std::vector<PrintTask>> tasks = parsePrintTaskList(json);
  EXPECT_TRUE(tasks) << json;
  return tasks ? *tasks : std::vector<PrintTask>{};
}

std::string task(std::string_view extraMembers) {
  return std::string(R"({"printerName":"P","ipaddress":"127.0.0.1","printerType":2,"printerModel":"")") +
         std::string(extraMembers) + "}";
}

TEST(PrintTaskParserTest, ReadsAnObjectOrAnArrayOfTasksInOrder) {
  const auto single = tasksOf(
      R"({"printerName":"Bar","ipaddress":"10.0.0.9","printerType":3,"printerModel":"QV52K","printerWidth":48,)"
      R"("printerFlag":1,"contents":[{"type":0,"content":"hi","remark":9},{"type":1,"remark":2,"paraLen":3,"para":[0,25,250]}]})");
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].printerName, u"Bar");
  EXPECT_EQ(single[0].ipaddress, u"10.0.0.9");
  EXPECT_EQ(single[0].printerType, 3);
  EXPECT_EQ(single[0].printerModel, u"QV52K");
  EXPECT_EQ(single[0].printerWidth, 48);
  ASSERT_EQ(single[0].contents.size(), 2u);
  EXPECT_EQ(single[0].contents[0].content, "hi");
  EXPECT_EQ(single[0].contents[0].remark, 9);
  EXPECT_EQ(single[0].contents[1].parameters, (ItemParameters{0, 25, 250}));

  const auto list = tasksOf("[" + task(R"(,"printerWidth":1)") + " , " + task(R"(,"printerWidth":2)") + "]");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].printerWidth, 1);
  EXPECT_EQ(list[1].printerWidth, 2);
  EXPECT_TRUE(tasksOf("[ ]").empty());
  for (const char* notATask : {"1", "\"x\"", "null", "[null, 2]"}) EXPECT_TRUE(tasksOf(notATask).empty());
  EXPECT_TRUE(tasksOf(task("")).front().contents.empty());
}

TEST(PrintTaskParserTest, TextThatIsNotJsonOrTooDeepGivesNothing) {
  for (std::string_view bad : {"", "[", "{\"printerName\":}", "[] x", "NaN", "\xff"}) {
    EXPECT_FALSE(parsePrintTaskList(bad)) << bad;
  }
  EXPECT_FALSE(parsePrintTaskList(std::string(100000, '[') + std::string(100000, ']')));
  EXPECT_TRUE(parsePrintTaskList(std::string(30, '[') + std::string(30, ']')));
  // A raw control character in a string, wherever it falls: accepted once, a
  // task's pending copy would no longer read back and the ticket be lost.
  for (std::size_t at = 0; at < 40; ++at) {
    std::string content(48, 'a');
    content[at] = '\x1a';
    EXPECT_FALSE(parsePrintTaskList(task(R"(,"contents":[{"type":0,"content":")" + content + "\"}]"))) << at;
  }
}

TEST(PrintTaskParserTest, LeavesOutTasksWithUnusableMembers) {
  const char* unusable[] = {
      R"({"ipaddress":"","printerType":2,"printerModel":""})",
      R"({"printerName":"P","printerType":2,"printerModel":""})",
      R"({"printerName":"P","ipaddress":"","printerType":2})",
      R"({"printerName":7,"ipaddress":"","printerType":2,"printerModel":""})",
      R"({"printerName":"P","ipaddress":"","printerType":"2","printerModel":""})",
      R"({"printerName":"P","ipaddress":"","printerType":2.0,"printerModel":""})",
      R"({"printerName":"P","ipaddress":"","printerType":3000000000,"printerModel":""})",
      R"({"printerName":"P","ipaddress":"","printerType":2,"printerModel":"","printerWidth":null})",
      R"({"printerName":"P","ipaddress":"","printerType":2,"printerModel":"","contents":{}})",
      R"(["a",1,null,[]])"};
  for (const char* json : unusable) {
    EXPECT_TRUE(tasksOf(json).empty()) << json;
  }
  // The usable neighbours of an unusable task still print.
  EXPECT_EQ(tasksOf("[1," + task("") + R"(,{"printerName":"P"}])").size(), 1u);
  // A missing type reads as 0: a task that opens nothing.
  EXPECT_EQ(tasksOf(R"({"printerName":"P","ipaddress":"","printerModel":""})").at(0).printerType, 0);
}

TEST(PrintTaskParserTest, LeavesOutUnusableItemsAndReadsUsableParameters) {
  const auto tasks =
      tasksOf(task(R"(,"contents":[)"
                   R"(7,{"type":"0","content":"a"},{"type":0},{"type":2,"content":5},)"
                   R"({"type":0,"content":"b","remark":1.5},{"type":1,"paraLen":1,"para":3},)"
                   R"({"type":1,"paraLen":2,"para":[1,"2"]},{"type":1,"paraLen":"1","para":[1]},)"
                   R"({"type":1,"paraLen":4,"para":[1,2]},{"type":1,"paraLen":9,"para":[1,2,3,4,5,6,7]},)"
                   R"({"type":1,"paraLen":9},{"type":1,"paraLen":0,"para":[1]},{"type":1},)"
                   R"({"type":4,"content":[],"paraLen":1,"para":[8]}])"));
  ASSERT_EQ(tasks.size(), 1u);
  const auto& items = tasks[0].contents;
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].parameters, (ItemParameters{1, 2}));
  EXPECT_EQ(items[1].parameters, (ItemParameters{1, 2, 3, 4, 5}));
  EXPECT_TRUE(items[2].parameters.empty());
  EXPECT_TRUE(items[3].parameters.empty());
  EXPECT_EQ(items[4].type, 1);
  EXPECT_EQ(items[5].type, 4);
  EXPECT_EQ(items[5].parameters, (ItemParameters{8}));
}

TEST(PrintTaskParserTest, TextStaysUnicodeUntilItIsLaidOut) {
  // 嘰 is 87 5C in GBK: its second byte is a backslash, and \u63d0 is 提.
  const auto tasks = tasksOf(task(R"(,"contents":[{"type":0,"content":"嘰\"\u63d0\u0000cut","remark":8}])"));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].contents[0].content, "嘰\"提");
  PrinterModelConfig table;
  const auto pieces = layoutTaskContents(tasks[0].contents, table, 0);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].data, hexBytes("1b 40 87 5c 22 cc e1"));
}

TEST(PrintTaskParserTest, CompactCopyIsTheSameTask) {
  const std::string original =
      "[ {\"printerName\" : \"厨房 \\\"2\\\"\", \"ipaddress\":\"127.0.6.1\", \"printerType\":3,\n"
      "  \"printerModel\":\"\", \"extra\":{\"keep\":[1, 2.5, true, null]},\n"
      "  \"contents\":[{\"type\":0,\"content\":\"\\u5618\\u0000x\",\"remark\":9}] } ]";
  const auto tasks = tasksOf(original);
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].json(),
            "{\"printerName\":\"厨房 \\\"2\\\"\",\"ipaddress\":\"127.0.6.1\",\"printerType\":3,"
            "\"printerModel\":\"\",\"extra\":{\"keep\":[1,2.5,true,null]},"
            "\"contents\":[{\"type\":0,\"content\":\"嘘\\u0000x\",\"remark\":9}]}");
  const auto again = tasksOf(tasks[0].json());
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].printerName, u"厨房 \"2\"");
  EXPECT_EQ(again[0].contents[0].content, "嘘");
  EXPECT_EQ(again[0].json(), tasks[0].json());
}

// The compact copy is written from the parsed text only when asked for, so a
// task must keep that text alive after the list it came in is gone.
TEST(PrintTaskParserTest, TaskKeepsItsSourceAfterTheListIsGone) {
  PrintTask kept;
  {
    auto tasks = parsePrintTaskList("[1, " + task(R"(,"contents":[{"type":0,"content":"x"}])") + "]");
    ASSERT_TRUE(tasks && tasks->size() == 1);
    kept = tasks->front();
  }
  EXPECT_EQ(kept.json(), task(R"(,"contents":[{"type":0,"content":"x"}])"));
  EXPECT_EQ(PrintTask{}.json(), "");
}

TEST(PrintTaskParserTest, FirstOfARepeatedMemberCountsAndTextEndsAtNul) {
  const auto tasks = tasksOf(task(R"(,"printerWidth":32,"printerWidth":"x","contents":[)"
                                  R"({"type":0,"content":"one","content":7,"remark":9,"remark":"y"}])"));
  ASSERT_EQ(tasks.size(), 1u);
  EXPECT_EQ(tasks[0].printerWidth, 32);
  ASSERT_EQ(tasks[0].contents.size(), 1u);
  EXPECT_EQ(tasks[0].contents[0].content, "one");
  EXPECT_EQ(tasks[0].contents[0].remark, 9);

  const std::string beforeNul = task("");
  EXPECT_EQ(tasksOf(beforeNul + std::string("\0 trailing", 10)).size(), 1u);
  EXPECT_FALSE(parsePrintTaskList(beforeNul.substr(0, 20) + std::string("\0", 1) + beforeNul.substr(20)));
}

// The quick reader gives up on what it cannot read exactly like RapidJSON;
// either way the result is RapidJSON's own, value for value.
TEST(PrintTaskParserTest, QuickReaderAgreesWithRapidJsonAtEveryEdge) {
  const auto item = [](std::string_view members) {
    return task(R"(,"contents":[{"type":1,)" + std::string(members) + "}]");
  };
  const std::string cases[] = {
      item(R"("remark":-0)"),
      item(R"("remark":-2147483648)"),
      item(R"("remark":2147483647)"),
      item(R"("remark":2147483648)"),
      item(R"("remark":-2147483649)"),
      item(R"("remark":4294967295)"),
      item(R"("remark":4294967296)"),
      item(R"("remark":9999999999)"),
      item(R"("remark":12345678901)"),
      item(R"("remark":1.0)"),
      item(R"("remark":1e2)"),
      item(R"("remark":1E+2)"),
      item(R"("remark":1e999)"),
      item(R"("remark":01)"),
      item(R"("remark":-)"),
      item(R"("remark":-a)"),
      item(R"("remark":+1)"),
      item(R"("remark":.5)"),
      item(R"("remark":0x10)"),
      task(R"(,"contents":[{"type":0,"content":"\ud83d\ude00 \u00e9\u4e2d\u0041"}])"),
      task(R"(,"contents":[{"type":0,"content":"\udc00"}])"),
      task(R"(,"contents":[{"type":0,"content":"\ud800"}])"),
      task(R"(,"contents":[{"type":0,"content":"\ud800\u0041"}])"),
      task(R"(,"contents":[{"type":0,"content":"\u12G4"}])"),
      task(R"(,"contents":[{"type":0,"content":"\x"}])"),
      task(R"(,"contents":[{"type":0,"content":"\/\b\f\n\r\t\\"}])"),
      task(R"(,"contents":[{"type":0,"content":"a\u0000b"}])"),
      task("\"\\u0063ontents\":[]"),
      task(R"(,"printerModel":"\u0000x")"),
      task(",\"contents\":[{\"type\":0,\"content\":\"\xff\xfe\x80\"}]"),
      task(",\"contents\":[{\"type\":0,\"content\":\"tab\there\"}]"),
      task(R"(,"contents":[1,],)"),
      task(R"(,"x":tru)"),
      task(R"(,"x":nul)"),
      task(R"(,"x":[true,false,null,{}, [] ,{"a":{"b":[]}}])"),
      " \t\r\n[ " + task("") + " ]\n",
      "[" + task("") + ",]",
      "\xEF\xBB\xBF" + task(""),
      "{\"a\" 1}",
      "{\"a\":1,}",
      "{,}",
      "[1 2]",
      "\"open",
      "[\"a\\",
      "{\"printerName\":\"P\"",
      "[1]]",
      "  ",
      "\"x\" 1",
      std::string(64, '[') + std::string(64, ']'),
      std::string(65, '[') + std::string(65, ']'),
      "[" + std::string(63, '[') + task("") + std::string(63, ']') + "]",
  };
  for (const std::string& text : cases) {
    EXPECT_EQ(parsePrintTaskList(text), parsePrintTaskListWithRapidJson(text)) << text;
  }
  // And what the edges give.
  EXPECT_EQ(tasksOf(item(R"("remark":-0)")).at(0).contents.at(0).remark, 0);
  EXPECT_EQ(tasksOf(item(R"("remark":-2147483648)")).at(0).contents.at(0).remark, -2147483648);
  EXPECT_TRUE(tasksOf(item(R"("remark":2147483648)")).at(0).contents.empty());
  EXPECT_EQ(tasksOf(task(R"(,"contents":[{"type":0,"content":"\ud83d\ude00\udc00"}])")).at(0).contents.at(0).content,
            "\xF0\x9F\x98\x80\xED\xB0\x80");
  EXPECT_FALSE(parsePrintTaskList(item(R"("remark":1e999)")));
  EXPECT_FALSE(parsePrintTaskList(std::string(65, '[') + std::string(65, ']')));
}

}  // namespace
}  // namespace lumetra
