#pragma once

#include <string_view>

#include "delivery/printer_trouble.h"

namespace lumetra::shell {

// What the staff read for a printer's trouble (UTF-8); empty for none.
std::string_view troubleText(Trouble trouble);

}  // namespace lumetra::shell
