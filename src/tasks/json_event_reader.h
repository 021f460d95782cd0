#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumetra {

// Bytes the reader may look at past the end of the text (its NUL included):
// a string is scanned 16 bytes at a time.
inline constexpr std::size_t kJsonReadPadding = 16;

// Reads JSON text with the events, and the positions at each event, that
// RapidJSON's reader gives with the flags print task lists are read with (no
// comments, no trailing commas, no NaN, strings not checked for valid UTF-8),
// quicker than it for what tills send. It reads only what it is sure to read
// exactly like RapidJSON and gives up on everything else: numbers that are
// not integers of at most ten digits, \u escapes of surrogates, every text
// RapidJSON refuses, and a handler that stops. The caller then reads the
// text with RapidJSON itself, which decides.
//
// The text ends at its NUL and is followed by kJsonReadPadding readable
// bytes. Strings reach the handler as (pointer, length, false): into the
// text where they have no escape, otherwise decoded into `decoded`, which
// must hold as many bytes as the text (decoding never lengthens a string).
// Besides RapidJSON's events the handler has StringWithoutNul(pointer,
// length) for a value without escapes, which cannot hold a NUL.
template <typename Handler>
class JsonEventReader {
 public:
  JsonEventReader(const char* text, char* decoded) : cursor_(text), decoded_(decoded) {}

  // True when the whole text was read; false when RapidJSON must decide.
  bool readAll(Handler& handler) {
    handler_ = &handler;
    skipWhitespace();
    if (*cursor_ == '\0' || !value()) return false;
    skipWhitespace();
    return *cursor_ == '\0';
  }

  // Where the reader is: at '{' during StartObject, at '}' during EndObject
  // (as RapidJSON's stream is).
  const char* const* cursor() const { return &cursor_; }

 private:
  void skipWhitespace() {
    // Text from JSON.stringify has none: one test for the usual case.
    if (static_cast<unsigned char>(*cursor_) > ' ') return;
    while (*cursor_ == ' ' || *cursor_ == '\n' || *cursor_ == '\r' || *cursor_ == '\t') ++cursor_;
  }

  bool value() {
    switch (*cursor_) {
      case '{':
        return object();
      case '[':
        return array();
      case '"': {
        const char* text = nullptr;
        std::size_t length = 0;
        bool plain = false;
        if (!string(text, length, plain)) return false;
        return plain ? handler_->StringWithoutNul(text, static_cast<unsigned>(length))
                     : handler_->String(text, static_cast<unsigned>(length), false);
      }
      case 't':
        return literal("true", 4) && handler_->Bool(true);
      case 'f':
        return literal("false", 5) && handler_->Bool(false);
      case 'n':
        return literal("null", 4) && handler_->Null();
      default:
        return number();
    }
  }

  bool literal(const char* word, std::size_t length) {
    if (std::memcmp(cursor_, word, length) != 0) return false;
    cursor_ += length;
    return true;
  }

  bool object() {
    if (!handler_->StartObject()) return false;
    ++cursor_;
    skipWhitespace();
    unsigned members = 0;
    if (*cursor_ != '}') {
      for (;;) {
        const char* key = nullptr;
        std::size_t length = 0;
        bool plain = false;
        if (*cursor_ != '"' || !string(key, length, plain) ||
            !handler_->Key(key, static_cast<unsigned>(length), false)) {
          return false;
        }
        skipWhitespace();
        if (*cursor_ != ':') return false;
        ++cursor_;
        skipWhitespace();
        if (!value()) return false;
        ++members;
        skipWhitespace();
        if (*cursor_ == '}') break;
        if (*cursor_ != ',') return false;
        ++cursor_;
        skipWhitespace();
      }
    }
    if (!handler_->EndObject(members)) return false;
    ++cursor_;
    return true;
  }

  bool array() {
    if (!handler_->StartArray()) return false;
    ++cursor_;
    skipWhitespace();
    unsigned elements = 0;
    if (*cursor_ != ']') {
      for (;;) {
        if (!value()) return false;
        ++elements;
        skipWhitespace();
        if (*cursor_ == ']') break;
        if (*cursor_ != ',') return false;
        ++cursor_;
        skipWhitespace();
      }
    }
    if (!handler_->EndArray(elements)) return false;
    ++cursor_;
    return true;
  }

  // -?(0|[1-9][0-9]{0,9}) not followed by a fraction, an exponent or another
  // digit, with RapidJSON's choice of event for its value.
  bool number() {
    const bool minus = *cursor_ == '-';
    if (minus) ++cursor_;
    std::int64_t magnitude = 0;
    if (*cursor_ == '0') {
      ++cursor_;
    } else {
      int digits = 0;
      while (isDigit(*cursor_)) {
        if (++digits > 10) return false;
        magnitude = magnitude * 10 + (*cursor_++ - '0');
      }
      if (digits == 0) return false;
    }
    if (isDigit(*cursor_) || *cursor_ == '.' || *cursor_ == 'e' || *cursor_ == 'E') return false;
    if (minus) {
      return magnitude <= -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                 ? handler_->Int(static_cast<std::int32_t>(-magnitude))
                 : handler_->Int64(-magnitude);
    }
    return magnitude <= std::numeric_limits<std::uint32_t>::max()
               ? handler_->Uint(static_cast<unsigned>(magnitude))
               : handler_->Uint64(static_cast<std::uint64_t>(magnitude));
  }

  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  // Leaves the cursor on the first '"', '\\' or byte below 0x20 (the NUL at
  // the end included) from where it is, 16 bytes at a time.
  void skipPlainBytes() {
#if defined(__SSE2__)
    for (;;) {
      if (const unsigned stops = stopMask(cursor_)) {
        cursor_ += __builtin_ctz(stops);
        return;
      }
      cursor_ += 16;
    }
#else
    while (*cursor_ != '"' && *cursor_ != '\\' && static_cast<unsigned char>(*cursor_) >= 0x20) ++cursor_;
#endif
  }

#if defined(__SSE2__)
  // A bit for each of 16 bytes that is '"', '\\' or below 0x20.
  static unsigned stopMask(const char* at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    // Unsigned: a byte is at most 0x1F when the larger of it and 0x1F is 0x1F.
    const __m128i lastControl = _mm_set1_epi8(0x1F);
    const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, lastControl), lastControl);
    const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
    const __m128i backslash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(quote, backslash), control)));
  }
#endif

  // From the opening quote to past the closing one. `plain`: the string had
  // no escape, so it holds no NUL.
  bool string(const char*& text, std::size_t& length, bool& plain) {
    const char* start = ++cursor_;
    skipPlainBytes();
    if (*cursor_ == '"') {
      text = start;
      length = static_cast<std::size_t>(cursor_++ - start);
      plain = true;
      return true;
    }
    char* out = decoded_;
    std::memcpy(out, start, static_cast<std::size_t>(cursor_ - start));
    out += cursor_ - start;
    for (;;) {
      if (*cursor_ == '"') break;
      if (*cursor_ != '\\' || !unescape(out)) return false;  // a control byte, or a bad escape
      const char* plain = cursor_;
      skipPlainBytes();
      std::memcpy(out, plain, static_cast<std::size_t>(cursor_ - plain));
      out += cursor_ - plain;
    }
    ++cursor_;
    text = decoded_;
    length = static_cast<std::size_t>(out - decoded_);
    decoded_ = out;
    plain = false;
    return true;
  }

  // One escape from its backslash on, written as UTF-8.
  bool unescape(char*& out) {
    const char escaped = cursor_[1];
    cursor_ += 2;
    switch (escaped) {
      case '"':
        *out++ = '"';
        return true;
      case '\\':
        *out++ = '\\';
        return true;
      case '/':
        *out++ = '/';
        return true;
      case 'b':
        *out++ = '\b';
        return true;
      case 'f':
        *out++ = '\f';
        return true;
      case 'n':
        *out++ = '\n';
        return true;
      case 'r':
        *out++ = '\r';
        return true;
      case 't':
        *out++ = '\t';
        return true;
      case 'u':
        break;
      default:
        return false;
    }
    unsigned codePoint = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexDigit(*cursor_++);
      if (digit < 0) return false;
      codePoint = codePoint << 4 | static_cast<unsigned>(digit);
    }
    if (codePoint >= 0xD800 && codePoint <= 0xDFFF) return false;
    if (codePoint < 0x80) {
      *out++ = static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      *out++ = static_cast<char>(0xC0 | codePoint >> 6);
      *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      *out++ = static_cast<char>(0xE0 | codePoint >> 12);
      *out++ = static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
      *out++ = static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return true;
  }

  static int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  const char* cursor_;
  char* decoded_;  // where the next decoded string goes
  Handler* handler_ = nullptr;
};

}  // namespace lumetra
