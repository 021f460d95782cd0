// The serial display's window functions called with arbitrary arguments, in
// arbitrary order. Every port the calls open is a pseudo-terminal of this
// process, whatever name they give: a fuzzer must never write to a real device.
#include <pty.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "serial/serial_port_name.h"
#include "support/fuzzed_calls.h"

namespace {

using namespace lumetra;

constexpr std::string_view kStatusRequest = "\x10\x04\x03";
constexpr char kStatusAnswer = 0x12;

// A display that answers every status request, so calls that wait for the
// answer stay fast.
struct FakeDisplay {
  int device = -1;
  std::string portPath;
};

FakeDisplay& display() {
  static FakeDisplay instance;
  return instance;
}

void answerStatusRequests() {
  std::string seen;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(display().device, buffer, sizeof buffer);
    if (count <= 0) continue;
    seen.append(buffer, static_cast<std::size_t>(count));
    for (std::size_t at = seen.find(kStatusRequest); at != std::string::npos; at = seen.find(kStatusRequest)) {
      (void)!::write(display().device, &kStatusAnswer, 1);
      seen.erase(0, at + kStatusRequest.size());
    }
    if (seen.size() > kStatusRequest.size()) seen.erase(0, seen.size() - kStatusRequest.size());
  }
}

constexpr std::array<std::string_view, 5> kSerialFunctions{"listSerialPort", "openSerialPort", "closeSerialPort",
                                                           "sendData2SerialPort", "sendData2SerialPortRAW"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  int port = -1;
  char name[128] = {};
  // The port side stays open here too, so the display's reads wait for
  // bytes instead of failing whenever no call holds the port.
  if (::openpty(&display().device, &port, name, nullptr, nullptr) != 0) std::abort();
  display().portPath = name;
  std::thread(answerStatusRequests).detach();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // A context of its own: the port closes with it.
  platform::UnavailableSpooler spooler;
  platform::StderrDialogs dialogs;
  Context context(spooler, dialogs);
  for (int call = 0; call < 16 && input.remaining_bytes() > 0; ++call) {
    const WindowFunctionHandler& function = fuzz::fuzzedFunction(input, kSerialFunctions);
    std::vector<CallArgument> arguments = fuzz::fuzzedArguments(input, 4);
    if (const std::string* name = fuzz::stringArgument(arguments, 0); name && function.name() == "openSerialPort") {
      // The name is parsed, but only the fake display or a missing node is opened.
      serialDevicePath(*name);
      arguments[0] = CallArgument::string(input.ConsumeBool() ? display().portPath : "/nonexistent/ttyFUZZ");
    }
    function.execute(context, CallArguments(std::move(arguments)));
  }
  return 0;
}
