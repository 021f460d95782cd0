#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

struct inflate_state;

namespace lumetra {

// A plain PNG's zlib stream inflated into its filtered rows: exactly `size`
// bytes, from a stream that ends exactly where the data does (the header's
// check bits, a preset dictionary and the Adler-32 checked as zlib checks
// them), or a failure.
// A large picture is inflated on a thread of its own while the caller undoes
// the filters of the rows already there, so a logo takes about the time of
// its inflating alone; a small one is inflated at once on the caller's
// thread, where a thread would cost more than it saves.
class RowInflater {
 public:
  RowInflater(std::string_view stream, std::size_t size);
  ~RowInflater();  // stops the inflating thread, if any, and waits for it
  RowInflater(const RowInflater&) = delete;
  RowInflater& operator=(const RowInflater&) = delete;

  // Not zeroed first: every byte is written by the inflater or the picture
  // is refused, and a logo's megabytes are not cleared for nothing.
  std::uint8_t* rows() { return rows_.get(); }
  // Waits until the first `count` bytes are there; false if they never will be.
  bool waitFor(std::size_t count);
  // Whether the whole stream checked out, once every byte was waited for.
  bool succeeded();

 private:
  void inflateInSlices(inflate_state& state, std::stop_token stop);
  void refuse();  // the rows will never all be there

  std::string_view stream_;
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> rows_;
  std::vector<std::uint8_t> window_;  // the inflating thread's, if any
  // Bytes arrived so far, all ones once they never will be; 32 bits, which
  // the kernel's futex waits on directly.
  std::atomic<std::uint32_t> arrived_{0};
  bool sound_ = false;  // the inflating thread's verdict, read after it ends
  std::jthread thread_;
};

}  // namespace lumetra
