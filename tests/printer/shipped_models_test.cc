#include <gtest/gtest.h>

#include <algorithm>

#include "functions/printer_functions.h"
#include "printer/model_config_loader.h"
#include "printer/printers.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

using test::hexBytes;

// The model files shops copy from must load into the commands they document.
class ShippedModelsTest : public test::ContextTest {
 protected:
  test::ScopedWorkingDirectory cwd_{LUMETRA_SOURCE_DIR};
};

TEST_F(ShippedModelsTest, ListsTheThreeSampleModels) {
  auto models = std::get<CallResult::Strings>(call("getPrinterModelList", {}).value());
  std::sort(models.begin(), models.end());
  EXPECT_EQ(models, (CallResult::Strings{"QV52K", "RQ2", "normal"}));
}

TEST_F(ShippedModelsTest, ReceiptModelLoadsStandardEscPosCommands) {
  loadModelConfig(test::sessionOf(context_.printers, u"P").commands, u"RQ2");
  EXPECT_EQ(test::sessionOf(context_.printers, u"P").commands.command(0, 40),
            hexBytes("1b 4a 00 00 00  1d 56 00 01  1d 21 00  1b 61 00  10 01 11 11"
                     "1d 76 30 00 00 00 18 00  1b 4a 00  1b 70 00 3c 78  1b 42 03 02 00"));
}

TEST_F(ShippedModelsTest, KitchenModelPreFeedsAndUsesPrintModeSizes) {
  loadModelConfig(test::kitchenCommands(context_.printers), kKitchenModelName);
  const PrinterModelConfig& table = test::kitchenCommands(context_.printers);
  EXPECT_EQ(table.command(0, 5), hexBytes("1b 4a 00 03 01"));
  EXPECT_EQ(table.command(9, 3), hexBytes("1b 21 00"));
  EXPECT_EQ(table.command(15, 3), hexBytes("20 10 30"));
}

}  // namespace
}  // namespace lumetra
