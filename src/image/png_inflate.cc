#include "image/png_inflate.h"

#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace lumetra {
namespace {

// What a back-reference may reach back.
constexpr std::size_t kHistory = 32 * 1024;
// Below this many bytes of rows (a 256x256 colour logo) a second thread
// costs more than it saves.
constexpr std::size_t kInflateAsideFrom = 256 * 1024;
// What the inflating thread hands over at a time: small enough that the
// caller starts early, large enough that handing over costs nothing.
constexpr std::size_t kSlice = 64 * 1024;
constexpr std::uint32_t kNever = UINT32_MAX;
// About half a millisecond of waiting: a slice takes about a tenth of that.
constexpr unsigned kSpinsBeforeSleeping = 16 * 1024;

void relaxWhileSpinning() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#endif
}

// The inflater's tables take 85 KiB: too much for the page's stack, and kept
// per calling thread, as a fresh allocation for every logo would move the
// rows to memory the system has to map and clear again each time. The
// inflating thread uses its caller's while the caller waits for it.
inflate_state& callersInflater() {
  thread_local const auto state = std::make_unique<inflate_state>();
  // The analyzer frees the thread_local at the return; it lives as long as the thread.
  // NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDelete)
  return *state;
}

void startStream(inflate_state& state, std::string_view stream) {
  isal_inflate_init(&state);
  state.crc_flag = ISAL_ZLIB;
  // ISA-L only reads through next_in; its API lacks const.
  state.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(stream.data()));
  state.avail_in = static_cast<std::uint32_t>(stream.size());
}

}  // namespace

RowInflater::RowInflater(std::string_view stream, std::size_t size) : stream_(stream), size_(size) {
  if (size >= kNever || stream.size() > UINT32_MAX) {
    refuse();
    return;
  }
  rows_.reset(new std::uint8_t[size]);
  if (size >= kInflateAsideFrom && std::thread::hardware_concurrency() > 1) {
    try {
      window_.resize(kHistory + kSlice);  // here, where a failure can be told
      thread_ =
          std::jthread([this, &state = callersInflater()](std::stop_token stop) { inflateInSlices(state, stop); });
      return;
    } catch (const std::system_error&) {
      // No thread to be had (a limit of the system): inflated here instead.
    }
  }
  inflate_state& state = callersInflater();
  startStream(state, stream);
  state.next_out = rows_.get();
  state.avail_out = static_cast<std::uint32_t>(size);
  const int result = isal_inflate_stateless(&state);
  sound_ = result == ISAL_DECOMP_OK && state.avail_in == 0 && state.total_out == size;
  if (sound_) {
    arrived_.store(static_cast<std::uint32_t>(size), std::memory_order_release);
  } else {
    refuse();
  }
}

RowInflater::~RowInflater() = default;

// The inflating thread writes each slice into a small window of its own,
// which stays in the cache, and copies it to the rows from there: writing
// straight into the fresh rows took 15% longer, and the rows the caller is
// unfiltering in place are never under the inflater. The window keeps the
// last 32 KiB inflated in front of each slice, where a back-reference may
// reach.
void RowInflater::inflateInSlices(inflate_state& state, std::stop_token stop) {
  std::uint8_t* const window = window_.data();
  std::size_t kept = 0;  // history at the window's start
  startStream(state, stream_);
  std::size_t done = 0;
  while (done < size_) {
    if (stop.stop_requested()) return;  // nobody waits for the rows any more
    const auto slice = static_cast<std::uint32_t>(std::min(kSlice, size_ - done));
    state.next_out = window + kept;
    state.avail_out = slice;
    const int result = isal_inflate(&state);
    const std::size_t inflated = slice - state.avail_out;
    if (result != ISAL_DECOMP_OK || inflated == 0) return refuse();
    std::memcpy(rows_.get() + done, window + kept, inflated);
    done += inflated;
    arrived_.store(static_cast<std::uint32_t>(done), std::memory_order_release);
    arrived_.notify_one();
    const std::size_t keep = std::min(kHistory, kept + inflated);
    std::memmove(window, window + kept + inflated - keep, keep);
    kept = keep;
  }
  // The rows are full: the stream must end there, its end-of-data and its
  // Adler-32 and nothing after them.
  if (state.block_state != ISAL_BLOCK_FINISH) {
    state.next_out = window + kept;
    state.avail_out = 1;
    if (isal_inflate(&state) != ISAL_DECOMP_OK || state.avail_out == 0) return refuse();
  }
  sound_ = state.block_state == ISAL_BLOCK_FINISH && state.avail_in == 0;
}

void RowInflater::refuse() {
  arrived_.store(kNever, std::memory_order_release);
  arrived_.notify_one();
}

bool RowInflater::waitFor(std::size_t count) {
  std::uint32_t arrived = arrived_.load(std::memory_order_acquire);
  // Spins while slices keep coming. Put to sleep, the caller would be woken
  // on the processor of the thread that wakes it, the inflating one, and
  // hold it up for the rest of the picture; it sleeps only once the
  // inflating has stalled for a while (or shares a single processor).
  unsigned idleSpins = 0;
  while (arrived != kNever && arrived < count) {
    if (++idleSpins < kSpinsBeforeSleeping) {
      relaxWhileSpinning();
    } else {
      arrived_.wait(arrived, std::memory_order_acquire);
    }
    const std::uint32_t now = arrived_.load(std::memory_order_acquire);
    if (now != arrived) idleSpins = 0;
    arrived = now;
  }
  return arrived != kNever;
}

bool RowInflater::succeeded() {
  if (thread_.joinable()) thread_.join();
  return sound_;
}

}  // namespace lumetra
