#include "app/helpers/helper_modes.h"
#include "app/shell_main.h"

int main(int argc, char** argv) {
  if (const auto exitCode = lumetra::shell::runHelperMode(argc, argv)) return *exitCode;
  return lumetra::shell::runShell(argc, argv);
}
