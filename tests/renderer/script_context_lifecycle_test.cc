#include "renderer/script_context_lifecycle.h"

#include <gtest/gtest.h>

#include "printer/model_config_loader.h"
#include "printer/printer_registry.h"
#include "renderer/render_messages.h"
#include "support/recording_spooler.h"
#include "support/temp_dir.h"

namespace lumetra {
namespace {

class ScriptContextLifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    printerRegistry().clear();
    spooler_.addPrinter(u"Kitchen");
    spooler_.addPrinter(u"Bar");
  }
  void TearDown() override { printerRegistry().clear(); }

  void openSession(const std::u16string& name, std::u16string model) {
    PrinterSession& session = findOrCreateSession(name);
    session.handle = *spooler_.open(name);
    session.modelName = std::move(model);
    session.commands[0] = 0x1b;
  }

  test::RecordingSpooler spooler_;
  platform::ScopedSpooler installed_{spooler_};
};

TEST_F(ScriptContextLifecycleTest, ReleaseClosesEveryOpenPrinterAndKeepsTheSessions) {
  openSession(u"Kitchen", u"QV52K");
  openSession(u"Bar", u"RQ2");
  findOrCreateSession(u"Never opened");
  spooler_.clearRecord();

  onScriptContextReleased();
  EXPECT_EQ(spooler_.calls(), (std::vector<std::string>{"close", "close"}));
  EXPECT_EQ(spooler_.openHandles(), 0u);
  ASSERT_EQ(printerRegistry().size(), 3u);
  for (const auto& [name, session] : printerRegistry()) EXPECT_FALSE(session.isOpen());
  EXPECT_EQ(printerRegistry().at(u"Bar").modelName, u"RQ2");
  EXPECT_EQ(printerRegistry().at(u"Kitchen").commands[0], 0x1b);

  // A second release (another frame's context) finds nothing left to close.
  spooler_.clearRecord();
  onScriptContextReleased();
  EXPECT_TRUE(spooler_.calls().empty());
}

TEST_F(ScriptContextLifecycleTest, AHandleTheSpoolerRefusesToCloseIsStillMarkedClosed) {
  openSession(u"Kitchen", u"");
  spooler_.failNext("close", 6);
  onScriptContextReleased();
  EXPECT_FALSE(printerRegistry().at(u"Kitchen").isOpen());
}

TEST_F(ScriptContextLifecycleTest, CreationReloadsTheKitchenTableFromItsModelReplacingWhatWasThere) {
  test::ScopedWorkingDirectory shipped(LUMETRA_SOURCE_DIR);
  PrinterSession& kitchen = findOrCreateSession(kKitchenPrinterName);
  kitchen.commands.bytes.fill(0xee);
  onScriptContextCreated();
  loadModelConfig(u"fresh load", kKitchenModelName);
  EXPECT_EQ(kitchen.commands.bytes, printerRegistry().at(u"fresh load").commands.bytes);
  EXPECT_NE(kitchen.commands.bytes, PrinterModelConfig{}.bytes);
  EXPECT_FALSE(kitchen.isOpen());
}

TEST_F(ScriptContextLifecycleTest, CreationWithoutTheModelFileLeavesTheKitchenTableZero) {
  test::TempDir empty;
  test::ScopedWorkingDirectory nowhere(empty.path());
  findOrCreateSession(kKitchenPrinterName).commands.bytes.fill(0xee);
  onScriptContextCreated();
  EXPECT_EQ(findOrCreateSession(kKitchenPrinterName).commands.bytes, PrinterModelConfig{}.bytes);
}

TEST(RenderMessagesTest, OnlyChangesOfEditabilityAreReportedStartingFromNotEditable) {
  FocusedNodeReporter reporter;
  EXPECT_EQ(reporter.focusChanged(false), std::nullopt);  // a button before any field
  EXPECT_EQ(reporter.focusChanged(true), true);
  EXPECT_EQ(reporter.focusChanged(true), std::nullopt);   // field to field
  EXPECT_EQ(reporter.focusChanged(false), false);
  EXPECT_EQ(reporter.focusChanged(false), std::nullopt);
}

TEST(RenderMessagesTest, OnlyTheExactPrintTaskMessageNameIsActedOn) {
  EXPECT_FALSE(dispatchProcessMessage("PrintTaskMessage"));
  EXPECT_FALSE(dispatchProcessMessage("printTaskMessage2"));
  EXPECT_FALSE(dispatchProcessMessage("printTask"));
  EXPECT_FALSE(dispatchProcessMessage(""));
  // With no kitchen item queued the flush has nothing to print.
  EXPECT_TRUE(dispatchProcessMessage("printTaskMessage"));
}

}  // namespace
}  // namespace lumetra
