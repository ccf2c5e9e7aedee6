// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quorvella authors
// Run-time services the game relies on: number formats, reading texts as numbers, 16-bit
// rounding, random numbers, the date and run-time errors. Plain C++: no toolkit code may be
// included here. The run-time's text code (Windows-1252, UTF-8, control characters) is in
// text.h, which comes with this header: to its callers the run-time library is one.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace quorvella {

// A run-time error: the error number of the run-time, its Italian description, the file it
// concerns (may be empty) and the operating system's reason (may be empty).
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, std::string description, std::string path = {}, std::string reason = {});

  int number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

  // The text shown to the player: number, description, file and reason on separate lines.
  std::string Message() const;

 private:
  int number_;
  std::string description_;
  std::string path_;
  std::string reason_;
};

// Run-time error numbers used by the program.
namespace err {
inline constexpr int kOverflow = 6;
inline constexpr int kBadFileNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kBadFileMode = 54;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kTooManyFiles = 67;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
}  // namespace err

// Italian text for an errno value ("Permesso negato", "Spazio esaurito sul disco", ...).
std::string ReasonFromErrno(int errnum);

// Writes a whole number with a format: "00" pads to at least two digits with leading zeros;
// "#0", "###0" and "####0" write plain decimal (no separators, no leading zeros). The value is
// rounded half to even first. Unknown formats are written as "#0".
std::string Format(double value, std::string_view format);

// The leading-number rule: blanks, tabs and line feeds are ignored wherever they stand; an
// optional sign, digits, an optional decimal point with digits and an optional exponent are
// taken from the start; the first character that cannot continue the number (a carriage return
// among them) stops it. "&H" and "&O" introduce hexadecimal and octal digits (16-bit values
// read as signed, as the run-time does). A text that does not start with a number reads as 0.
// Never throws: a value too large for a double reads as +/- infinity.
double Val(std::string_view text);

// Rounds to the nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// Converts to 16 bits, rounding halves to even; outside -32768..32767 (or NaN) raises
// run-time error 6.
std::int16_t CInt(double value);

// RGB(r, g, b) = r + 256 g + 65536 b, each component first limited to 0..255.
std::uint32_t RGB(int r, int g, int b);

// Random numbers: uniform single-precision values 0 <= r < 1, and a reseed operation.
class Random {
 public:
  virtual ~Random() = default;
  virtual float Rnd() = 0;
  virtual void Randomize() = 0;
};

// A Mersenne Twister seeded once from std::random_device. Randomize is deliberately a no-op:
// the generator is already seeded from the system's entropy, and reseeding from a clock could
// only make two draws in the same millisecond repeat each other.
class SystemRandom : public Random {
 public:
  SystemRandom();
  explicit SystemRandom(std::uint32_t seed);
  float Rnd() override;
  void Randomize() override {}

 private:
  std::mt19937 engine_;
};

// The current date and time of day as the game shows them.
class Clock {
 public:
  virtual ~Clock() = default;
  // Short date form, day first as in Italy: "08/12/2026".
  virtual std::string ShortDate() = 0;
  // Hours and minutes of the day: "17:05".
  virtual std::string TimeOfDay() = 0;
};

class SystemClock : public Clock {
 public:
  std::string ShortDate() override;
  std::string TimeOfDay() override;
};

}  // namespace quorvella
