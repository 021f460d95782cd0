#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/support/processes.h"
#include "functions/host_functions.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// The shop's folder as the current directory, with a stand-in updater that
// writes the arguments it was given, NUL-separated, into a file of its own
// per run.
class DownloadUpdateTest : public ::testing::Test {
 protected:
  void installUpdater() {
    const auto updater =
        shop_.write("HttpDownLoader", "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > tmp.$$ && mv tmp.$$ run.$$\n");
    std::filesystem::permissions(updater, std::filesystem::perms::owner_all);
  }

  std::vector<std::vector<std::string>> runs() const {
    std::vector<std::vector<std::string>> result;
    for (const auto& entry : std::filesystem::directory_iterator(shop_.path())) {
      if (!entry.path().filename().string().starts_with("run.")) continue;
      std::vector<std::string> arguments;
      const std::string record = test::readFile(entry.path());
      for (std::size_t at = 0; at < record.size();) {
        const std::size_t end = record.find('\0', at);
        arguments.push_back(record.substr(at, end - at));
        at = end + 1;
      }
      result.push_back(arguments);
    }
    return result;
  }

  // Runs the updater with a harmless text and waits until that run is in; a
  // run the calls before it had started would have been in before it.
  std::vector<std::vector<std::string>> runsUpToMarker() {
    test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
    call("downloadUpdate", CallArguments({CallArgument::string("marker")}));
    std::vector<std::vector<std::string>> result;
    EXPECT_TRUE(e2e::eventually([&] {
      result = runs();
      return std::any_of(result.begin(), result.end(), [](const auto& run) { return run.back() == "marker"; });
    }));
    return result;
  }

  std::string boxes() const { return test::readFile(shop_.path() / "boxes.log"); }

  test::TempDir shop_;
  test::ScopedWorkingDirectory inShop_{shop_.path()};
  test::ScopedEnv dialogLog_{"LUMETRA_DIALOG_LOG", (shop_.path() / "boxes.log").string()};
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

const std::string kBox = "提示\t升级程序启动后会关闭当前正在运行的程序， 是否继续？\n";

TEST_F(DownloadUpdateTest, AsksFirstAndStartsTheUpdaterOnlyOnYes) {
  installUpdater();
  {
    test::ScopedEnv no("LUMETRA_DIALOG_ANSWER", "no");
    EXPECT_EQ(call("downloadUpdate", CallArguments({CallArgument::string("--now")})), CallResult::boolean(true));
  }
  EXPECT_EQ(boxes(), kBox);
  EXPECT_EQ(runsUpToMarker(), (std::vector<std::vector<std::string>>{{"./HttpDownLoader", "marker"}}));
  EXPECT_EQ(boxes(), kBox + kBox);
}

TEST_F(DownloadUpdateTest, TheUpdaterGetsExactlyTheArgumentsTheTextHoldsAndNothingElseRuns) {
  installUpdater();
  test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
  const std::string parameters =
      "--url \"http://10.0.0.5/update v2.zip\" --title '收银 台' a\\ b \"say \\\"hi\\\"\" '' "
      "; touch pwned1 $(touch pwned2) `touch pwned3` && touch pwned4 | tee pwned5 marker";
  EXPECT_EQ(call("downloadUpdate", CallArguments({CallArgument::string(parameters)})), CallResult::boolean(true));

  const std::vector<std::string> expected = {"./HttpDownLoader",
                                             "--url",
                                             "http://10.0.0.5/update v2.zip",
                                             "--title",
                                             "收银 台",
                                             "a b",
                                             "say \"hi\"",
                                             "",
                                             ";",
                                             "touch",
                                             "pwned1",
                                             "$(touch",
                                             "pwned2)",
                                             "`touch",
                                             "pwned3`",
                                             "&&",
                                             "touch",
                                             "pwned4",
                                             "|",
                                             "tee",
                                             "pwned5",
                                             "marker"};
  std::vector<std::vector<std::string>> all;
  ASSERT_TRUE(e2e::eventually([&] { return !(all = runs()).empty(); }));
  EXPECT_EQ(all, std::vector<std::vector<std::string>>{expected});
  for (const auto& entry : std::filesystem::directory_iterator(shop_.path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("pwned")) << entry.path();
  }
}

// Parameters a shell could not split (a quote left open, a backslash at
// the end) still start the updater, split as its Windows original would.
TEST_F(DownloadUpdateTest, AnUnmatchedQuoteRunsToTheEndInsteadOfStartingNothing) {
  installUpdater();
  test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
  EXPECT_EQ(call("downloadUpdate", CallArguments({CallArgument::string("--x=\"a b 'c\\ d")})),
            CallResult::boolean(true));
  std::vector<std::vector<std::string>> all;
  ASSERT_TRUE(e2e::eventually([&] { return !(all = runs()).empty(); }));
  EXPECT_EQ(all, (std::vector<std::vector<std::string>>{{"./HttpDownLoader", "--x=a b 'c\\ d"}}));
}

TEST_F(DownloadUpdateTest, AnswersTrueWithoutAnUpdaterAndFalseForAWrongArgumentCount) {
  test::ScopedEnv yes("LUMETRA_DIALOG_ANSWER", "yes");
  EXPECT_EQ(call("downloadUpdate", {}), CallResult::boolean(false));
  EXPECT_EQ(call("downloadUpdate", CallArguments({CallArgument::string("a"), CallArgument::string("b")})),
            CallResult::boolean(false));
  EXPECT_EQ(boxes(), "");
  EXPECT_EQ(call("downloadUpdate", CallArguments({CallArgument::string("a")})), CallResult::boolean(true));
  EXPECT_EQ(boxes(), kBox);
}

}  // namespace
}  // namespace lumetra
