#include "platform/print/cups_printer_state.h"

#include <gtest/gtest.h>

#include "platform/print/spooler.h"

namespace lumetra::platform::cups {
namespace {

constexpr int kIdle = 3;
constexpr int kStopped = 5;

std::uint32_t bitsFor(std::vector<std::string_view> reasons, int state = kIdle, bool accepting = true) {
  return printerStatusBits({.printerState = state, .acceptingJobs = accepting, .reasons = std::move(reasons)});
}

TEST(CupsPrinterStateTest, AQueueThatWillNotPrintIsNotAvailable) {
  EXPECT_EQ(bitsFor({"none"}), 0u);
  EXPECT_EQ(bitsFor({"paused"}, kStopped), printer_status::kNotAvailable | printer_status::kPaused);
  EXPECT_EQ(bitsFor({"none"}, kStopped), printer_status::kNotAvailable);
  EXPECT_EQ(bitsFor({"none"}, kIdle, false), printer_status::kNotAvailable);
}

TEST(CupsPrinterStateTest, DeviceConditionsCountUnlessTheyAreOnlyWarnings) {
  EXPECT_EQ(bitsFor({"offline-report"}), printer_status::kOffline);
  EXPECT_EQ(bitsFor({"media-empty-error", "door-open"}), printer_status::kPaperOut | printer_status::kDoorOpen);
  EXPECT_EQ(bitsFor({"media-needed-report"}), printer_status::kPaperOut);
  EXPECT_EQ(bitsFor({"media-jam-error"}), printer_status::kPaperJam);
  EXPECT_EQ(bitsFor({"cover-open-error"}), printer_status::kDoorOpen);
  EXPECT_EQ(bitsFor({"toner-empty-error", "output-area-full"}),
            printer_status::kNoToner | printer_status::kOutputBinFull);
  EXPECT_EQ(bitsFor({"media-empty-warning", "toner-low-warning", "marker-supply-empty-warning"}), 0u);
}

TEST(CupsPrinterStateTest, OnlyUnknownReasonsMarkedAsErrorsAreErrors) {
  EXPECT_EQ(bitsFor({"cups-missing-filter-error"}), printer_status::kError);
  EXPECT_EQ(bitsFor({"connecting-to-device", "cups-waiting-for-job-completed", "other-report"}), 0u);
}

TEST(CupsPrinterStateTest, JobStatesMapOntoPrintingAndError) {
  EXPECT_EQ(jobStatusBits(3), 0u);  // pending
  EXPECT_EQ(jobStatusBits(4), job_status::kPaused);
  EXPECT_EQ(jobStatusBits(5), job_status::kPrinting);
  EXPECT_EQ(jobStatusBits(6), job_status::kPrinting | job_status::kError);
}

}  // namespace
}  // namespace lumetra::platform::cups
