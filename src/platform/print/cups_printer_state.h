#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace lumetra::platform::cups {

// What the scheduler tells about a queue, reduced to what decides whether it
// can print now.
struct QueueState {
  int printerState = 3;  // IPP printer-state: 3 idle, 4 processing, 5 stopped
  bool acceptingJobs = true;
  std::vector<std::string_view> reasons;  // printer-state-reasons keywords
};

// The printer_status bits for a queue. A stopped or rejecting queue is "not
// available"; device conditions map onto their own bits unless the device
// only warns of them; any other reason reported as an error is "error".
std::uint32_t printerStatusBits(const QueueState& queue);

// The job_status bits for an IPP job-state: a job that is printing counts as
// printing, one whose printing has stopped also as in error.
std::uint32_t jobStatusBits(int jobState);

}  // namespace lumetra::platform::cups
