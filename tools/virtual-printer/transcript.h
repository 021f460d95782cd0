#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "escpos_command.h"

namespace lumetra::virtual_printer {

// A plain-text account of one piece of output: every command in the order it
// arrived, with its bytes and meaning, then the bytes that were not
// understood. Written for web app developers checking what their page sent.
class Transcript {
 public:
  explicit Transcript(std::string source) : source_(std::move(source)) {}

  void add(const Command& command, const std::string& remark);
  // A remark about the piece as a whole (such as text left unprinted).
  void addRemark(const std::string& remark) { remarks_.push_back(remark); }
  bool empty() const { return lines_.empty() && remarks_.empty(); }
  // The whole transcript; clears it for the next piece.
  std::string take();

 private:
  std::string source_;
  std::vector<std::string> lines_;
  std::vector<std::string> remarks_;
  std::vector<std::string> notUnderstood_;  // "N bytes at offset O"
};

// The command's name with its parameters ("GS ! 17") and what it does.
struct CommandDescription {
  std::string name;
  std::string meaning;
};
CommandDescription describeCommand(const Command& command);

}  // namespace lumetra::virtual_printer
