#include "renderer/script_context_lifecycle.h"

#include <gtest/gtest.h>

#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "renderer/render_messages.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

class ScriptContextLifecycleTest : public test::ContextTest {
 protected:
  void SetUp() override {
    test::sessionsOf(context_.printers).clear();
    spooler_.addPrinter(u"Kitchen");
    spooler_.addPrinter(u"Bar");
  }

  void openSession(const std::u16string& name, std::u16string model) {
    PrinterSession& session = test::sessionOf(context_.printers, name);
    session.handle = *spooler_.open(name);
    session.modelName = std::move(model);
    session.commands[0] = 0x1b;
  }
};

TEST_F(ScriptContextLifecycleTest, ReleaseClosesEveryOpenPrinterAndKeepsTheSessions) {
  openSession(u"Kitchen", u"QV52K");
  openSession(u"Bar", u"RQ2");
  test::sessionOf(context_.printers, u"Never opened");
  spooler_.clearRecord();

  onScriptContextReleased(context_);
  EXPECT_EQ(spooler_.calls(), (std::vector<std::string>{"close", "close"}));
  EXPECT_EQ(spooler_.openHandles(), 0u);
  ASSERT_EQ(test::sessionsOf(context_.printers).size(), 3u);
  for (const auto& [name, session] : test::sessionsOf(context_.printers)) EXPECT_FALSE(session.isOpen());
  EXPECT_EQ(test::sessionsOf(context_.printers).at(u"Bar").modelName, u"RQ2");
  EXPECT_EQ(test::sessionsOf(context_.printers).at(u"Kitchen").commands[0], 0x1b);

  // A second release (another frame's context) finds nothing left to close.
  spooler_.clearRecord();
  onScriptContextReleased(context_);
  EXPECT_TRUE(spooler_.calls().empty());
}

TEST_F(ScriptContextLifecycleTest, AHandleTheSpoolerRefusesToCloseIsStillMarkedClosed) {
  openSession(u"Kitchen", u"");
  spooler_.failNext("close", 6);
  onScriptContextReleased(context_);
  EXPECT_FALSE(test::sessionsOf(context_.printers).at(u"Kitchen").isOpen());
}

TEST_F(ScriptContextLifecycleTest, CreationReloadsTheKitchenTableFromItsModelReplacingWhatWasThere) {
  test::ScopedWorkingDirectory shipped(LUMETRA_SOURCE_DIR);
  PrinterSession& kitchen = test::sessionOf(context_.printers, kKitchenPrinterName);
  kitchen.commands.bytes.fill(0xee);
  onScriptContextCreated(context_);
  loadModelConfig(test::sessionOf(context_.printers, u"fresh load").commands, kKitchenModelName);
  EXPECT_EQ(kitchen.commands.bytes, test::sessionsOf(context_.printers).at(u"fresh load").commands.bytes);
  EXPECT_NE(kitchen.commands.bytes, PrinterModelConfig{}.bytes);
  EXPECT_FALSE(kitchen.isOpen());
}

TEST_F(ScriptContextLifecycleTest, CreationWithoutTheModelFileLeavesTheKitchenTableZero) {
  test::TempDir empty;
  test::ScopedWorkingDirectory nowhere(empty.path());
  test::kitchenCommands(context_.printers).bytes.fill(0xee);
  onScriptContextCreated(context_);
  EXPECT_EQ(test::kitchenCommands(context_.printers).bytes, PrinterModelConfig{}.bytes);
}

TEST(RenderMessagesTest, OnlyChangesOfEditabilityAreReportedStartingFromNotEditable) {
  FocusedNodeReporter reporter;
  EXPECT_EQ(reporter.focusChanged(false), std::nullopt);  // a button before any field
  EXPECT_EQ(reporter.focusChanged(true), true);
  EXPECT_EQ(reporter.focusChanged(true), std::nullopt);  // field to field
  EXPECT_EQ(reporter.focusChanged(false), false);
  EXPECT_EQ(reporter.focusChanged(false), std::nullopt);
}

TEST_F(ScriptContextLifecycleTest, OnlyTheExactPrintTaskMessageNameIsActedOn) {
  EXPECT_FALSE(dispatchProcessMessage(context_, "PrintTaskMessage"));
  EXPECT_FALSE(dispatchProcessMessage(context_, "printTaskMessage2"));
  EXPECT_FALSE(dispatchProcessMessage(context_, "printTask"));
  EXPECT_FALSE(dispatchProcessMessage(context_, ""));
  // With no kitchen item queued the flush has nothing to print.
  EXPECT_TRUE(dispatchProcessMessage(context_, "printTaskMessage"));
}

}  // namespace
}  // namespace lumetra
