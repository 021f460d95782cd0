#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "printer_condition.h"

namespace lumetra::virtual_printer {

enum class ControlAction { PaperOut, PaperIn, CoverOpen, CoverClose, Stall, Resume, Slow, PowerOff, PowerOn, Status };

struct ControlCommand {
  ControlAction action;
  ReadingPace pace;  // for Slow
};

// One line of the control port: "paper-out", "slow 16 500", ... Returns
// nothing (with `error` set) for anything else.
std::optional<ControlCommand> parseControlCommand(std::string_view line, std::string& error);

// The command line an HTTP request line asks for ("GET /slow/16/500
// HTTP/1.1" is "slow 16 500"); nothing when it is not a GET.
std::optional<std::string> commandOfHttpRequest(std::string_view requestLine);
// The whole HTTP response carrying one reply line, readable by any page.
std::string httpResponse(const std::string& reply);

}  // namespace lumetra::virtual_printer
