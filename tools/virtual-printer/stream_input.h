#pragma once

#include <istream>

#include "print_session.h"

namespace lumetra::virtual_printer {

// Plays a whole stream (a file, standard input) into the session and ends it.
void printStream(std::istream& in, PrintSession& session);

}  // namespace lumetra::virtual_printer
