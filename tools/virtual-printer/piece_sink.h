#pragma once

#include <string>

#include "receipt.h"

namespace lumetra::virtual_printer {

// Where a print session hands each finished piece: its transcript and, when
// something reached paper, the receipt.
class PieceSink {
 public:
  virtual ~PieceSink() = default;
  virtual void write(const std::string& transcript, const Receipt* receipt) = 0;
};

}  // namespace lumetra::virtual_printer
