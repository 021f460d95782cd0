#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumetra {

// Why a printer's tickets wait, or what it reports of itself.
enum class Trouble : std::uint8_t {
  none,
  unanswered,    // the printer does not answer a connection
  refused,       // it refuses connections (switched on, port closed)
  stalled,       // connected, but it has stopped taking or confirming bytes
  interrupted,   // it ended or lost the connection in the middle of a ticket
  queueMissing,  // the spooler does not know the queue (or cannot be reached)
  queueRefused,  // the spooler refused the document
  queueFailed,   // the spooler failed while taking it
  printerFull,   // this printer's limit of waiting tickets was reached
  outboxFull,    // the limit of waiting tickets of all printers was reached
  // the limit of a printer that has never confirmed a ticket (or of all
  // such printers) was reached
  unknownPrinterFull,
  // What a printer reports of itself (real-time status, or the spooler's
  // state reasons of its queue):
  paperEnd,        // out of paper
  coverOpen,       // its cover is open
  paperJam,        // paper jammed
  printerError,    // a cutter, mechanism or other error
  printerOffline,  // offline for another reason
  queuePaused,     // the spooler queue was paused
  paperNearEnd,    // a warning only: its tickets still go
  movedToBackup,   // it has not taken tickets for a while: they go to its backup
};

// The word that stands for it in the message to the UI process ("paper-end"),
// which turns it into the staff's text; never changed once given, so that a
// web process and a UI process of different builds still agree. Empty for none.
std::string_view troubleCode(Trouble trouble);
// The trouble a code stands for; nothing for a code no trouble has.
std::optional<Trouble> troubleOfCode(std::string_view code);

}  // namespace lumetra
