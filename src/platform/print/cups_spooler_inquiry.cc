// The spooler's questions about queues and jobs, and its service check.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/log.h"
#include "base/utf.h"
#include "platform/print/cups_printer_state.h"
#include "platform/print/cups_spooler.h"

namespace lumetra::platform {
namespace {

std::vector<std::string_view> keywordsOf(ipp_attribute_t* attribute) {
  std::vector<std::string_view> keywords;
  for (int i = 0; i < ippGetCount(attribute); ++i) {
    if (const char* keyword = ippGetString(attribute, i, nullptr)) keywords.emplace_back(keyword);
  }
  return keywords;
}

cups::QueueState queueStateOf(ipp_t* answer) {
  cups::QueueState queue;
  if (ipp_attribute_t* state = ippFindAttribute(answer, "printer-state", IPP_TAG_ENUM)) {
    queue.printerState = ippGetInteger(state, 0);
  }
  if (ipp_attribute_t* accepting = ippFindAttribute(answer, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN)) {
    queue.acceptingJobs = ippGetBoolean(accepting, 0) != 0;
  }
  if (ipp_attribute_t* reasons = ippFindAttribute(answer, "printer-state-reasons", IPP_TAG_KEYWORD)) {
    queue.reasons = keywordsOf(reasons);
  }
  return queue;
}

// The attributes that tell the queue's state; null when the scheduler did
// not answer them (cupsLastError() says why).
cups::IppMessage askQueueState(http_t* connection, const std::string& queue) {
  cups::IppMessage request = cups::newPrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
  cups::requestAttributes(request.get(),
                          {"printer-state", "printer-state-reasons", "printer-is-accepting-jobs", "queued-job-count"});
  return cups::send(connection, std::move(request));
}

struct UnfinishedJob {
  int id = 0;
  int state = 0;  // IPP job-state
};

std::optional<std::vector<UnfinishedJob>> unfinishedJobsOf(http_t* connection, const std::string& queue) {
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(connection, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  const bool answered = count >= 0 && cups::succeeded(cupsLastError());
  std::vector<UnfinishedJob> unfinished;
  for (int i = 0; answered && i < count; ++i) unfinished.push_back(UnfinishedJob{jobs[i].id, jobs[i].state});
  cupsFreeJobs(std::max(count, 0), jobs);
  if (!answered) return std::nullopt;
  return unfinished;
}

// The service check reports only here, for whoever looks after the till.
void reportUnreachableServer(const char* why) {
  logf(LogLevel::warning, "GetServicestateerror。 the CUPS server %s cannot be reached: %s", cupsServer(), why);
}

}  // namespace

std::vector<std::u16string> CupsSpooler::printerNames() {
  std::vector<std::u16string> names;
  const cups::Connection connection = connect();
  if (!connection) return names;
  cups::IppMessage request(ippNewRequest(IPP_OP_CUPS_GET_PRINTERS));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  cups::requestAttributes(request.get(), {"printer-name"});
  const cups::IppMessage answer = cups::send(connection.get(), std::move(request));
  // A scheduler without queues answers "not found": that is an empty list.
  if (!answer) {
    fail(cups::lastServerError());
    return names;
  }
  for (ipp_attribute_t* attribute = ippFirstAttribute(answer.get()); attribute;
       attribute = ippNextAttribute(answer.get())) {
    const char* attributeName = ippGetName(attribute);
    if (!attributeName || std::strcmp(attributeName, "printer-name") != 0) continue;
    // Null when the scheduler sent the name with no value or as no text.
    if (const char* name = ippGetString(attribute, 0, nullptr)) names.push_back(utf8ToUtf16(name));
  }
  return names;
}

std::optional<PrinterDetails> CupsSpooler::printerDetails(PrinterHandle handle) {
  const std::optional<std::string> queue = queueOf(handle);
  if (!queue) return std::nullopt;
  const cups::Connection connection = connect();
  if (!connection) return std::nullopt;
  const cups::IppMessage answer = askQueueState(connection.get(), *queue);
  if (!answer) {
    fail(cups::lastServerError());
    return std::nullopt;
  }
  PrinterDetails details{.status = cups::printerStatusBits(queueStateOf(answer.get()))};
  if (ipp_attribute_t* count = ippFindAttribute(answer.get(), "queued-job-count", IPP_TAG_INTEGER)) {
    details.jobCount = static_cast<std::uint32_t>(std::max(0, ippGetInteger(count, 0)));
  }
  return details;
}

std::optional<std::vector<std::uint32_t>> CupsSpooler::jobStatuses(PrinterHandle handle, std::uint32_t maxJobs) {
  const std::optional<std::string> queue = queueOf(handle);
  if (!queue) return std::nullopt;
  const cups::Connection connection = connect();
  if (!connection) return std::nullopt;
  const std::optional<std::vector<UnfinishedJob>> jobs = unfinishedJobsOf(connection.get(), *queue);
  if (!jobs) {
    fail(cups::lastServerError());
    return std::nullopt;
  }
  std::vector<std::uint32_t> statuses;
  for (std::size_t i = 0; i < jobs->size() && i < maxJobs; ++i) {
    statuses.push_back(cups::jobStatusBits((*jobs)[i].state));
  }
  return statuses;
}

std::optional<QueueActivity> CupsSpooler::queueActivity(std::u16string_view printerName) {
  const std::string queue = utf16ToUtf8(printerName);
  const cups::Connection connection = connect();
  if (!connection) return std::nullopt;
  const cups::IppMessage state = askQueueState(connection.get(), queue);
  if (!state) {
    const bool unknown = cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
    fail(unknown ? spooler_error::kInvalidPrinterName : cups::lastServerError());
    return std::nullopt;
  }
  const std::optional<std::vector<UnfinishedJob>> jobs = unfinishedJobsOf(connection.get(), queue);
  if (!jobs) {
    fail(cups::lastServerError());
    return std::nullopt;
  }
  const cups::QueueState queueState = queueStateOf(state.get());
  std::vector<std::uint32_t> unfinished;
  for (const UnfinishedJob& job : *jobs) unfinished.push_back(static_cast<std::uint32_t>(job.id));
  return QueueActivity{.status = cups::printerStatusBits(queueState),
                       .stopped = queueState.printerState == IPP_PSTATE_STOPPED,
                       .unfinishedJobs = std::move(unfinished)};
}

bool CupsSpooler::ensureServiceRunning() {
  const cups::Connection connection = cups::connectToServer();
  if (!connection) {
    reportUnreachableServer(std::strerror(errno));
    return fail(spooler_error::kServiceUnavailable);
  }
  // A connection alone may reach a socket nobody serves: ask something small.
  // "Not found" (no default queue) is an answer too.
  const cups::IppMessage answer(cupsDoRequest(connection.get(), ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
  if (!answer) {
    reportUnreachableServer(cupsLastErrorString());
    return fail(cups::lastServerError());
  }
  return true;
}

}  // namespace lumetra::platform
