#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace lumetra::platform {

// A file that grows only at its end, for a journal: each record goes in
// with one write, sync() makes everything written so far durable, and
// records are read back by position. Safe to read from one thread while
// another appends; appends, makeRoom() and setEnd() are serialised by the
// journal's owner.
//
// The file is kept zero-filled some way past its end (written zeros, not a
// hole): a record then lands in blocks the file already has, so sync() need
// not commit a new file size to the file system's own journal, which is
// what makes a sync slow.
class JournalFile {
 public:
  virtual ~JournalFile() = default;

  // How long the file is, its zero-filled room included.
  virtual std::uint64_t size() const = 0;
  // Where the next append goes: the file's size when opened, until the
  // owner, having read what the file holds, says where it ends.
  virtual std::uint64_t end() const = 0;
  virtual void setEnd(std::uint64_t end) = 0;
  // Zero-fills room for the next records ahead of time (at start-up, or
  // when the journal is written anew) and syncs, so that no hand-over has to.
  virtual bool makeRoom() = 0;
  // Appends `bytes` at the end in one piece; false, with errno set and the
  // file as it was, when the system refuses, e.g. with the disk full.
  virtual bool append(std::string_view bytes) = 0;
  // Makes every byte appended so far survive a crash of the machine.
  virtual bool sync() = 0;
  // Reads `length` bytes at `offset`; empty when they cannot be read.
  virtual std::string read(std::uint64_t offset, std::size_t length) const = 0;
};

// The calls on the folder a journal lives in. Null or false, with the
// reason in `error`, when the system refuses.
class JournalFiles {
 public:
  virtual ~JournalFiles() = default;

  // Opens `path` for reading and appending, creating it when absent, and
  // takes an exclusive lock on it: a second process opening the same
  // journal is refused rather than interleaving its records.
  virtual std::unique_ptr<JournalFile> open(const std::filesystem::path& path, std::string& error) = 0;
  // Creates `path` anew (empty, replacing any file of that name), locked.
  virtual std::unique_ptr<JournalFile> create(const std::filesystem::path& path, std::string& error) = 0;
  // Renames `from` over `to` in one step: after a crash `to` is either the
  // old file or the new one, the new one once the folder has been synced.
  virtual bool rename(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error) = 0;
  // Makes the renames in `folder` so far survive a crash of the machine.
  virtual bool syncFolder(const std::filesystem::path& folder, std::string& error) = 0;
  // Removes `path` if it is there.
  virtual void remove(const std::filesystem::path& path) = 0;
};

// The system's: POSIX files, locked with flock, synced with fdatasync.
JournalFiles& systemJournalFiles();

}  // namespace lumetra::platform
