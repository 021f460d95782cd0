#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/support/shell.h"
#include "functions/window_function_table.h"

namespace lumetra::e2e {
namespace {

std::string builtFunctionNames() {
  std::string names;
  for (const WindowFunctionHandler& handler : windowFunctionTable()) {
    if (!names.empty()) names += ',';
    names += handler.name();
  }
  return names;
}

// One run serves the whole group: starting the shell is the slow part.
TEST(WindowFunctionsTest, EveryContextOfTheStartPagesFolderGetsTheFunctionsAndCallsBehaveThroughRealJavaScript) {
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("functions.html")});
  ASSERT_TRUE(home.waitForConsole("frame queries:")) << home.consoleText() << shell.errors();
  ASSERT_TRUE(home.waitForConsole("popup queries:")) << home.consoleText();
  ASSERT_TRUE(home.waitForConsole("query failed:")) << home.consoleText();
  const std::string log = home.consoleText();
  const std::string functions = builtFunctionNames();

  for (const char* context : {"main", "frame", "popup"}) {
    SCOPED_TRACE(context);
    EXPECT_NE(log.find(std::string(context) + " functions: " + functions + "\r\n"), std::string::npos);
    EXPECT_NE(log.find(std::string(context) + " queries: function,function\r\n"), std::string::npos);
  }
  // A wrong count gives false, the right one nothing, extra arguments to a
  // function that reads none are ignored.
  EXPECT_NE(log.find("counts: false,false,undefined,QV52K+RQ2+normal\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("query failed: -1 The query has been canceled\r\n"), std::string::npos);
  EXPECT_NE(log.find("query without request throws: Invalid arguments; expecting a single object\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("query answered"), std::string::npos);
}

TEST(WindowFunctionsTest, ConsoleMessagesAreAppendedAsRecordsToConsoleLogInTheStartupDirectory) {
  XServer x({.windowManager = false});
  ShellHome home;
  Shell shell(x, home, {.startPage = pageUrl("functions.html")});
  ASSERT_TRUE(home.waitForConsole("frame functions:")) << shell.errors();
  const std::string log = home.consoleText();
  EXPECT_EQ(log.rfind("Message: record check 你好\r\nSource: " + pageUrl("functions.html") +
                          "\r\nLine: 5\r\n-----------------------\r\n",
                      0),
            0u)
      << log;
  // Frames and popups log to the same file; the source is the script file.
  EXPECT_NE(log.find("Message: frame functions: " + builtFunctionNames() + "\r\nSource: " + pageUrl("report.js") +
                     "\r\nLine: 15\r\n-----------------------\r\n"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace lumetra::e2e
