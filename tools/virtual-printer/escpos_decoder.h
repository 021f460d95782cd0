#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "escpos_command.h"

namespace lumetra::virtual_printer {

// Where the command at the start of some bytes ends. A length of 0 means the
// bytes end inside the command and more are needed.
struct CommandExtent {
  CommandKind kind;
  std::size_t length;
};

// Measures the command that starts at bytes[0] (bytes must not be empty).
// At the end of the stream a command cut short is NotUnderstood.
CommandExtent measureCommand(std::string_view bytes, bool endOfStream);

// Splits a byte stream that arrives in pieces (a TCP connection, a file)
// into commands. Bytes of an unfinished command wait for the next piece.
class StreamDecoder {
 public:
  // Takes the next piece of the stream; returns the commands it completes.
  std::vector<Command> feed(std::string_view bytes);
  // The stream has ended: whatever is still waiting is a command cut short.
  std::vector<Command> finish();

 private:
  std::vector<Command> decodePending(bool endOfStream);
  void holdNotUnderstood(Command command, std::vector<Command>& commands);
  void releaseNotUnderstood(std::vector<Command>& commands);

  std::string pending_;                   // bytes of commands not yet complete
  std::size_t pendingOffset_ = 0;         // stream offset of pending_[0]
  std::optional<Command> notUnderstood_;  // unknown bytes that may go on
};

}  // namespace lumetra::virtual_printer
