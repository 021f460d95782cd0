#include "control_commands.h"

#include <array>
#include <sstream>
#include <vector>

#include "number_text.h"

namespace lumetra::virtual_printer {
namespace {

struct NamedAction {
  std::string_view name;
  ControlAction action;
};

constexpr std::array kActions{
    NamedAction{"paper-out", ControlAction::PaperOut},
    NamedAction{"paper-in", ControlAction::PaperIn},
    NamedAction{"cover-open", ControlAction::CoverOpen},
    NamedAction{"cover-close", ControlAction::CoverClose},
    NamedAction{"stall", ControlAction::Stall},
    NamedAction{"resume", ControlAction::Resume},
    NamedAction{"slow", ControlAction::Slow},
    NamedAction{"power-off", ControlAction::PowerOff},
    NamedAction{"power-on", ControlAction::PowerOn},
    NamedAction{"status", ControlAction::Status},
};

constexpr std::size_t kMostSlowBytes = 1 << 20;
constexpr int kLongestSlowInterval = 60000;

std::vector<std::string> words(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> found;
  for (std::string word; in >> word;) found.push_back(word);
  return found;
}

std::string knownCommands() {
  std::string names;
  for (const NamedAction& named : kActions) names += (names.empty() ? "" : ", ") + std::string(named.name);
  return names;
}

}  // namespace

std::optional<ControlCommand> parseControlCommand(std::string_view line, std::string& error) {
  const std::vector<std::string> given = words(line);
  for (const NamedAction& named : kActions) {
    if (given.empty() || given[0] != named.name) continue;
    ControlCommand command{named.action, {}};
    const std::size_t values = named.action == ControlAction::Slow ? 3 : 1;
    const bool valid = given.size() == values &&
                       (values == 1 || (parseNumber<std::size_t>(given[1], 1, kMostSlowBytes, command.pace.bytes) &&
                                        parseNumber(given[2], 1, kLongestSlowInterval, command.pace.intervalMs)));
    if (valid) return command;
    error = values == 1 ? std::string(named.name) + " takes no values" : "usage: slow BYTES MS";
    return std::nullopt;
  }
  error = "unknown command; known: " + knownCommands();
  return std::nullopt;
}

std::optional<std::string> commandOfHttpRequest(std::string_view requestLine) {
  const std::vector<std::string> parts = words(requestLine);
  if (parts.size() != 3 || parts[0] != "GET" || !parts[2].starts_with("HTTP/") || !parts[1].starts_with("/")) {
    return std::nullopt;
  }
  std::string command = parts[1].substr(1, parts[1].find('?') - 1);
  for (char& c : command) {
    if (c == '/') c = ' ';
  }
  return command;
}

std::string httpResponse(const std::string& reply) {
  const bool ok = reply.starts_with("ok");
  const std::string body = reply + "\n";
  return std::string("HTTP/1.1 ") + (ok ? "200 OK" : "400 Bad Request") +
         "\r\nContent-Type: text/plain; charset=utf-8\r\nAccess-Control-Allow-Origin: *\r\nCache-Control: no-store"
         "\r\nConnection: close\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

}  // namespace lumetra::virtual_printer
