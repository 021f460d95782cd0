#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace lumetra::platform {

// A file that grows only at its end, for a journal: each record goes in
// with one write, sync() makes everything written so far durable, and
// records are read back by position. Owns its descriptor; safe to read from
// one thread while another appends.
//
// The file is kept zero-filled some way past its end (written zeros, not a
// hole): a record then lands in blocks the file already has, so sync() need
// not commit a new file size to the file system's own journal, which is
// what makes a sync slow.
class JournalFile {
 public:
  ~JournalFile();
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  // Opens `path` for reading and appending, creating it when absent, and
  // takes an exclusive lock on it: a second process opening the same
  // journal is refused rather than interleaving its records. Null, with
  // the reason in `error`, when it cannot.
  static std::unique_ptr<JournalFile> open(const std::filesystem::path& path, std::string& error);
  // Creates `path` anew (empty, replacing any file of that name), locked.
  static std::unique_ptr<JournalFile> create(const std::filesystem::path& path, std::string& error);

  // How long the file is, its zero-filled room included.
  std::uint64_t size() const { return size_; }
  // Where the next append goes: the file's size when opened, until the
  // owner, having read what the file holds, says where it ends.
  std::uint64_t end() const { return end_; }
  void setEnd(std::uint64_t end) { end_ = end; }
  // Zero-fills room for the next records ahead of time (at start-up, or
  // when the journal is written anew), so that no hand-over has to.
  bool makeRoom();
  // Appends `bytes` at the end in one piece; false (and the file as it
  // was) when the system refuses, e.g. with the disk full.
  bool append(std::string_view bytes);
  // Makes every byte appended so far survive a crash of the machine.
  bool sync();
  // Reads `length` bytes at `offset`; empty when they cannot be read.
  std::string read(std::uint64_t offset, std::size_t length) const;

 private:
  explicit JournalFile(int descriptor, std::uint64_t size) : descriptor_(descriptor), size_(size), end_(size) {}
  // Writes zeros from the file's end until it is at least `length` long.
  bool zeroFillTo(std::uint64_t length);
  bool writeAt(std::uint64_t offset, std::string_view bytes);

  int descriptor_;
  // Appends are serialised by the journal's owner.
  std::uint64_t size_;
  std::uint64_t end_;
};

// Renames `from` over `to` and makes the rename itself durable (the folder
// is synced), so after a crash `to` is either the old file or the new one.
bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to, std::string& error);

}  // namespace lumetra::platform
