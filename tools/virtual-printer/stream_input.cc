#include "stream_input.h"

namespace lumetra::virtual_printer {

void printStream(std::istream& in, PrintSession& session) {
  char buffer[16384];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    session.receive(std::string_view(buffer, static_cast<std::size_t>(in.gcount())));
  }
  session.finish();
}

}  // namespace lumetra::virtual_printer
