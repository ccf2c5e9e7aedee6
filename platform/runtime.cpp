// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Run-time services: numbers, random numbers, the clock and run-time errors.
#include "platform/runtime.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <system_error>

#include "platform/os.h"

namespace quorvella {
namespace {

std::string ComposeMessage(int number, const std::string& description, const std::string& path,
                           const std::string& reason) {
  std::string text = "Errore di run-time " + std::to_string(number) + ": " + description;
  if (!path.empty()) text += "\nFile: " + path;
  if (!reason.empty()) text += "\nMotivo: " + reason;
  return text;
}

}  // namespace

RuntimeError::RuntimeError(int number, std::string description, std::string path,
                           std::string reason)
    : std::runtime_error(ComposeMessage(number, description, path, reason)),
      number_(number),
      description_(std::move(description)),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

std::string RuntimeError::Message() const {
  return what();
}

std::string ReasonFromErrno(int errnum) {
  switch (errnum) {
    case 0:
      return {};
    case ENOENT:
      return "File o directory inesistente";
    case EACCES:
    case EPERM:
      return "Permesso negato";
    case ENOSPC:
      return "Spazio esaurito sul disco";
    case EROFS:
      return "File system di sola lettura";
    case EISDIR:
      return "È una directory";
    case ENOTDIR:
      return "Non è una directory";
    case EEXIST:
      return "Il file esiste già";
    case EFBIG:
      return "File troppo grande";
    case EIO:
      return "Errore di input/output";
#ifdef ELOOP
    case ELOOP:
      return "Troppi collegamenti simbolici";
#endif
#ifdef EDQUOT
    case EDQUOT:
      return "Quota disco superata";
#endif
    case ENAMETOOLONG:
      return "Nome del file troppo lungo";
    case EMFILE:
      return "Troppi file aperti";
    case ENFILE:
      return "Troppi file aperti nel sistema";
    case EBUSY:
      return "Dispositivo o risorsa occupata";
    case EXDEV:
      return "I file stanno su dispositivi diversi";
    case EINVAL:
      return "Argomento non valido";
    default:
      return std::strerror(errnum);
  }
}

// ---------------------------------------------------------------------------------------------
// Numbers

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  const double below = std::floor(value);
  const double fraction = value - below;  // exact for every finite double
  if (fraction < 0.5) return below;
  if (fraction > 0.5) return below + 1.0;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

std::int16_t CInt(double value) {
  const double rounded = RoundHalfEven(value);
  if (!(rounded >= -32768.0 && rounded <= 32767.0)) {  // NaN fails both comparisons
    throw RuntimeError(err::kOverflow, "Overflow");
  }
  return static_cast<std::int16_t>(rounded);
}

std::uint32_t RGB(int r, int g, int b) {
  auto limit = [](int c) { return static_cast<std::uint32_t>(c < 0 ? 0 : c > 255 ? 255 : c); };
  return limit(r) + 256u * limit(g) + 65536u * limit(b);
}

std::string Format(double value, std::string_view format) {
  // "00", "000", ...: as many digits at least as there are zeros; "#0", "###0", ...: the zeros
  // after the hashes count, so one digit. Anything else is written as "#0".
  std::size_t min_digits = 1;
  const std::size_t first_zero = format.find_first_not_of('#');
  if (first_zero != std::string_view::npos &&
      format.find_first_not_of('0', first_zero) == std::string_view::npos) {
    min_digits = format.size() - first_zero;
  }

  const double rounded = RoundHalfEven(value);
  std::array<char, 400> buffer{};  // the largest double has 309 digits
  if (!std::isfinite(rounded)) {
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), rounded);
    return std::string(buffer.data(), result.ptr);
  }
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                    std::fabs(rounded), std::chars_format::fixed, 0);
  std::string digits(buffer.data(), result.ptr);
  if (digits.size() < min_digits) digits.insert(0, min_digits - digits.size(), '0');
  return rounded < 0 ? "-" + digits : digits;
}

namespace {

// Reads the characters of a text one by one, stepping over the blanks, tabs and line feeds that
// the leading-number rule ignores wherever they stand.
class NumberCursor {
 public:
  explicit NumberCursor(std::string_view text) : text_(text) {}

  // The next character that counts, or -1 at the end of the text.
  int Peek() {
    while (pos_ < text_.size() && IsIgnored(text_[pos_])) ++pos_;
    return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1;
  }
  void Next() { ++pos_; }
  std::size_t position() const { return pos_; }
  void Rewind(std::size_t pos) { pos_ = pos; }

 private:
  static bool IsIgnored(char c) { return c == ' ' || c == '\t' || c == '\n'; }
  std::string_view text_;
  std::size_t pos_ = 0;
};

bool IsDigit(int c) {
  return c >= '0' && c <= '9';
}

int DigitValue(int c, unsigned base) {
  int digit = -1;
  if (IsDigit(c)) digit = c - '0';
  if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

// "&H..." or "&O..." (or "&..." alone, octal); the cursor stands on the "&".
double ValRadix(NumberCursor& cursor) {
  cursor.Next();
  unsigned base = 8;
  const int letter = cursor.Peek();
  if (letter == 'H' || letter == 'h') {
    base = 16;
    cursor.Next();
  } else if (letter == 'O' || letter == 'o') {
    cursor.Next();
  }
  // Accumulated unsigned, saturating: a text of many digits must not overflow.
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t value = 0;
  bool any = false;
  for (int digit; (digit = DigitValue(cursor.Peek(), base)) >= 0; cursor.Next()) {
    any = true;
    const auto d = static_cast<std::uint64_t>(digit);
    value = value > (kMax - d) / base ? kMax : value * base + d;
  }
  if (!any) return 0.0;
  // As the run-time reads such constants: up to 16 bits as a signed Integer, up to 32 bits as
  // a signed Long (both conversions wrap around in C++20).
  if (value <= 0xFFFFu) return static_cast<std::int16_t>(value);
  if (value <= 0xFFFFFFFFu) return static_cast<std::int32_t>(value);
  return static_cast<double>(value);
}

}  // namespace

double Val(std::string_view text) {
  NumberCursor cursor(text);
  if (cursor.Peek() == '&') return ValRadix(cursor);

  bool negative = false;
  if (cursor.Peek() == '+' || cursor.Peek() == '-') {
    negative = cursor.Peek() == '-';
    cursor.Next();
  }
  // The mantissa's digits without the point; int_digits of them stand before it.
  std::string digits;
  for (; IsDigit(cursor.Peek()); cursor.Next()) digits.push_back(static_cast<char>(cursor.Peek()));
  const auto int_digits = static_cast<std::int64_t>(digits.size());
  if (cursor.Peek() == '.') {
    cursor.Next();
    for (; IsDigit(cursor.Peek()); cursor.Next()) {
      digits.push_back(static_cast<char>(cursor.Peek()));
    }
  }
  if (digits.empty()) return 0.0;

  // The exponent: E or e, and D or d as older programs wrote it. A letter without digits after
  // it is not part of the number ("2e" reads as 2). Saturated far beyond any double's range.
  std::int64_t exponent = 0;
  const int letter = cursor.Peek();
  if (letter == 'E' || letter == 'e' || letter == 'D' || letter == 'd') {
    const std::size_t before = cursor.position();
    cursor.Next();
    bool exponent_negative = false;
    if (cursor.Peek() == '+' || cursor.Peek() == '-') {
      exponent_negative = cursor.Peek() == '-';
      cursor.Next();
    }
    if (!IsDigit(cursor.Peek())) {
      cursor.Rewind(before);
    } else {
      for (; IsDigit(cursor.Peek()); cursor.Next()) {
        if (exponent < 1'000'000'000'000'000) exponent = exponent * 10 + (cursor.Peek() - '0');
      }
      if (exponent_negative) exponent = -exponent;
    }
  }

  // Keep only the significant digits: the value is 0.<digits> times 10^(scale).
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0.0;
  const std::size_t last = digits.find_last_not_of('0');
  const std::int64_t scale = int_digits - static_cast<std::int64_t>(first) + exponent;
  const double infinity = std::numeric_limits<double>::infinity();
  // Doubles lie between 10^-324 and 10^309: decide far-out values without parsing them.
  if (scale > 400) return negative ? -infinity : infinity;
  if (scale < -400) return 0.0;

  // std::from_chars ignores the C locale, whose decimal point may be a comma.
  const std::string significant = digits.substr(first, last - first + 1);
  const std::string clean =
      significant + 'e' + std::to_string(scale - static_cast<std::int64_t>(significant.size()));
  double value = 0.0;
  const auto result = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  if (result.ec == std::errc::result_out_of_range) value = scale > 0 ? infinity : 0.0;
  return negative ? -value : value;
}

// ---------------------------------------------------------------------------------------------
// Random numbers and the clock

SystemRandom::SystemRandom() {
  std::random_device device;
  std::array<std::uint32_t, 8> words{};
  for (auto& word : words) word = device();
  std::seed_seq seeds(words.begin(), words.end());
  engine_.seed(seeds);
}

SystemRandom::SystemRandom(std::uint32_t seed) : engine_(seed) {}

// The top 24 bits of a 32-bit draw, scaled by 2^-24: every value is exact in a float and the
// largest is 1 - 2^-24, so 1.0 never comes out (as it could by rounding engine() / 2^32).
float SystemRandom::Rnd() {
  return static_cast<float>(engine_() >> 8) * 0x1p-24f;
}

// Both return an empty text in the unlikely case that the system cannot give the local time.
std::string SystemClock::ShortDate() {
  std::tm local{};
  if (!os::LocalTime(std::time(nullptr), local)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1,
                local.tm_year + 1900);
  return text;
}

std::string SystemClock::TimeOfDay() {
  std::tm local{};
  if (!os::LocalTime(std::time(nullptr), local)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%02d:%02d", local.tm_hour, local.tm_min);
  return text;
}

}  // namespace quorvella
