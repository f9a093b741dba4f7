#include "runtime.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <random>

namespace qel {

// ---- Errors --------------------------------------------------------------------

RuntimeError::RuntimeError(int number, const std::string& description)
    : std::runtime_error("Error " + std::to_string(number) + " " + description),
      number_(number),
      description_(description) {}

std::string ErrorDescription(int number) {
  switch (number) {
    case kErrInvalidValue: return "Invalid value";
    case kErrOverflow: return "Overflow: value outside the range of a 16-bit number";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscript: return "Index outside the bounds of a table";
    case kErrDivisionByZero: return "Division by zero";
    case kErrTypeMismatch: return "Type mismatch: text is not a number";
    case kErrInternal: return "Internal error";
    case kErrBadFileChannel: return "Bad file channel";
    case kErrFileNotFound: return "File not found";
    case kErrFileAlreadyOpen: return "File already open";
    case kErrDeviceIO: return "Input/output error on the device";
    case kErrInputPastEnd: return "Input past end of file";
    case kErrPathAccess: return "Path or file cannot be accessed";
    case kErrDialogCancel: return "Cancel was selected";
    default: return "Application-defined error";
  }
}

void RaiseError(int number) { throw RuntimeError(number, ErrorDescription(number)); }
void RaiseError(int number, const std::string& description) {
  throw RuntimeError(number, description);
}
void RaiseSubscriptError(const std::string& what) {
  RaiseError(kErrSubscript, ErrorDescription(kErrSubscript) + ": " + what);
}

std::string ErrorMessageText(const RuntimeError& e) {
  return "Error " + std::to_string(e.Number()) + " " + e.Description();
}

RuntimeError ErrorFromException(std::exception_ptr failure) {
  try {
    if (failure) std::rethrow_exception(failure);
  } catch (const RuntimeError& e) {
    return e;
  } catch (const std::bad_alloc&) {
    return RuntimeError(kErrOutOfMemory, ErrorDescription(kErrOutOfMemory));
  } catch (const std::exception& e) {
    return RuntimeError(kErrInternal, ErrorDescription(kErrInternal) + ": " + e.what());
  } catch (...) {
  }
  return RuntimeError(kErrInternal, ErrorDescription(kErrInternal));
}

std::string FileLine(const std::string& file, int line) {
  return line > 0 ? "line " + std::to_string(line) + " of " + file : file;
}

RuntimeError InFile(const RuntimeError& e, const std::string& file, int line) {
  return RuntimeError(e.Number(), e.Description() + " (" + FileLine(file, line) + ")");
}

void ShowErrorBox(const RuntimeError& e) {
  try {
    MsgBox(ErrorMessageText(e), kMbExclamation, "Error");
  } catch (...) {
    // A box that cannot be shown must not turn a handled failure into a crash.
  }
}

// ---- Conversions ----------------------------------------------------------------

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Power of ten of the first significant digit of a well-formed unsigned
// number in text[b, e): decides whether a value out of range is too large
// or too small, without the locale-dependent C library.
long long DecimalMagnitude(std::string_view text, std::size_t b, std::size_t e) {
  long long intDigits = 0, leadingFracZeros = 0;
  bool seenNonZero = false, inFraction = false;
  std::size_t i = b;
  for (; i < e && text[i] != 'e' && text[i] != 'E'; ++i) {
    char c = text[i];
    if (c == '.') {
      inFraction = true;
    } else if (!inFraction) {
      if (seenNonZero || c != '0') {
        seenNonZero = true;
        ++intDigits;
      }
    } else if (!seenNonZero) {
      if (c == '0') {
        ++leadingFracZeros;
      } else {
        seenNonZero = true;
      }
    }
  }
  long long exponent = 0;
  if (i < e) {
    ++i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    for (; i < e; ++i) {
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  long long lead = intDigits > 0 ? intDigits - 1 : -(leadingFracZeros + 1);
  return lead + exponent;
}

// Parses a decimal number with optional sign, digits, '.', and exponent.
bool ParseNumber(std::string_view text, double& out) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  if (b == e) return false;
  bool negative = false;
  if (text[b] == '+' || text[b] == '-') {
    negative = text[b] == '-';
    ++b;
  }
  if (b == e) return false;
  // Whole numbers of up to 15 digits are exact in a double.
  if (e - b <= 15) {
    std::size_t i = b;
    double whole = 0;
    while (i < e && IsDigit(text[i])) whole = whole * 10 + (text[i++] - '0');
    if (i == e) {
      out = negative ? -whole : whole;
      return true;
    }
  }
  // Only digits, one '.', and an exponent: no "inf", "nan" or hex forms.
  std::size_t i = b;
  bool digits = false;
  while (i < e && IsDigit(text[i])) { ++i; digits = true; }
  if (i < e && text[i] == '.') {
    ++i;
    while (i < e && IsDigit(text[i])) { ++i; digits = true; }
  }
  if (!digits) return false;
  if (i < e && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < e && (text[j] == '+' || text[j] == '-')) ++j;
    bool expDigits = false;
    while (j < e && IsDigit(text[j])) { ++j; expDigits = true; }
    if (!expDigits) return false;
    i = j;
  }
  if (i != e) return false;
  double v = 0;
  auto res = std::from_chars(text.data() + b, text.data() + e, v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large is an overflow; too small underflows to zero.
    if (DecimalMagnitude(text, b, e) >= 0) RaiseError(kErrOverflow, "Overflow: the number is too large");
    v = 0;
  } else if (res.ec != std::errc() || res.ptr != text.data() + e) {
    return false;
  }
  out = negative ? -v : v;
  return true;
}

}  // namespace

int16_t CInt(double value) {
  if (std::isnan(value)) RaiseError(kErrOverflow);
  double r = std::nearbyint(value);  // default rounding: nearest, ties to even
  if (r < -32768.0 || r > 32767.0) RaiseError(kErrOverflow);
  return static_cast<int16_t>(r);
}

int16_t CInt(std::string_view text) {
  // Plain whole numbers of up to five digits directly; the rest as a float.
  if (!text.empty() && text.size() <= 5) {
    int whole = 0;
    std::size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) whole = whole * 10 + (text[i++] - '0');
    if (i == text.size()) {
      if (whole > 32767) RaiseError(kErrOverflow);
      return static_cast<int16_t>(whole);
    }
  }
  return CInt(CDbl(text));
}

int32_t CLng(double value) {
  if (std::isnan(value)) RaiseError(kErrOverflow);
  double r = std::nearbyint(value);
  if (r < -2147483648.0 || r > 2147483647.0) RaiseError(kErrOverflow);
  return static_cast<int32_t>(r);
}

double CDbl(std::string_view text) {
  // Plain whole numbers of up to 15 digits, most fields of the input files,
  // are exact in a double: the value the general conversion gives.
  if (!text.empty() && text.size() <= 15) {
    double whole = 0;
    std::size_t i = 0;
    while (i < text.size() && IsDigit(text[i])) whole = whole * 10 + (text[i++] - '0');
    if (i == text.size()) return whole;
  }
  double v = 0;
  if (!ParseNumber(text, v)) RaiseError(kErrTypeMismatch);
  return v;
}

bool IsNumber(std::string_view text) {
  try {
    double v = 0;
    return ParseNumber(text, v);
  } catch (const RuntimeError&) {
    return false;
  }
}

std::string Str(int value) { return std::to_string(value); }
std::string Str(long value) { return std::to_string(value); }
std::string Str(long long value) { return std::to_string(value); }

std::string Str(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
  if (value == 0) return "0";
  // The general form with 15 digits gives the shortest text of at most 15
  // significant digits, in exponent form below 1E-04 and from 1E+15 on, with
  // two exponent digits at least. to_chars ignores the locale, so the
  // decimal separator is '.' even where the host program set another.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  std::string text(buf, res.ptr);
  for (char& c : text)
    if (c == 'e') c = 'E';
  return text;
}

int16_t Add16(int a, int b) {
  int r = a + b;
  if (r < -32768 || r > 32767) RaiseError(kErrOverflow);
  return static_cast<int16_t>(r);
}

// ---- Random numbers ------------------------------------------------------------------

namespace {
// mt19937_64's output sequence is fixed by the C++ standard, so a seed gives
// the same numbers everywhere; the double is made from its top 53 bits.
std::mt19937_64& Generator() {
  static std::mt19937_64 gen(0);
  return gen;
}
}  // namespace

void Randomize(int16_t seed) {
  Generator().seed(static_cast<std::uint64_t>(static_cast<std::int64_t>(seed) + 32768));
}

double Rnd() {
  std::uint64_t x = Generator()();
  return static_cast<double>(x >> 11) * (1.0 / 9007199254740992.0);
}

int16_t DrawOneOf(int n) {
  double r = Rnd();
  return CInt(r * n + 0.500001);
}

// ---- Time ---------------------------------------------------------------------------

namespace {
std::function<double()>& Clock() {
  static std::function<double()> clock;
  return clock;
}

std::tm LocalNow() {
  std::time_t t;
  if (Clock()) {
    t = static_cast<std::time_t>(Clock()());
  } else {
    t = std::time(nullptr);
  }
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}
}  // namespace

void SetClock(std::function<double()> clock) { Clock() = std::move(clock); }

double TimeOfDay() {
  if (Clock()) {
    double now = Clock()();
    std::time_t t = static_cast<std::time_t>(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + (now - std::floor(now));
  }
  std::tm tm = LocalNow();
  return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec;
}

TimeAndDate TimeAndDateNow() {
  const std::tm tm = LocalNow();
  char time[48], date[48];
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return {time, date};
}

double SecondsBetween(double fromTime, double toTime) {
  double seconds = std::floor(toTime) - std::floor(fromTime);
  if (seconds < 0) seconds += 86400.0;
  return seconds;
}

// ---- Message boxes ---------------------------------------------------------------------

namespace {
MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}
}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) { Handler() = std::move(handler); }

int MsgBox(const std::string& prompt, int style, const std::string& title) {
  const std::string shownTitle = title.empty() ? std::string(kProgramTitle) : title;
  if (!Handler()) return kIdOk;
  return Handler()(prompt, style, shownTitle);
}

}  // namespace qel
