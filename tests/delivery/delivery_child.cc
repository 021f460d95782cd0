// A web process's print jobs without the browser: each line read is a print
// task list handed to printTask, answered with "taken" once printTask has
// returned. Delivers until it is ended. Argument: the journal's folder.
#include <iostream>
#include <string>
#include <thread>

#include "functions/context.h"
#include "handover/task_list_handover.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: delivery_child JOURNAL-FOLDER\n";
    return 2;
  }
  lumetra::platform::UnavailableSpooler spooler;
  lumetra::platform::LoggedDialogs dialogs("/dev/null", lumetra::platform::DialogAnswer::no);
  lumetra::Context context(spooler, dialogs);
  context.jobs.timings.retryInterval = std::chrono::milliseconds(100);
  context.jobs.timings.ticket.connectWait = context.jobs.timings.retryInterval;
  lumetra::startDelivery(context.jobs, argv[1]);
  for (std::string line; std::getline(std::cin, line);) {
    lumetra::processTaskList(context.jobs, line);
    std::cout << "taken" << std::endl;
  }
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}
