// The runtime layer that the whole program leans on: run-time errors,
// conversions between text and numbers, text files by channel number, the
// random generator, time of day, and message boxes through a replaceable
// handler.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace qel {

// ---- Run-time errors ---------------------------------------------------------

enum ErrorNumber : int {
  kErrInvalidValue = 5,
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscript = 9,
  kErrDivisionByZero = 11,
  kErrTypeMismatch = 13,
  kErrInternal = 51,
  kErrBadFileChannel = 52,
  kErrFileNotFound = 53,
  kErrFileAlreadyOpen = 55,
  kErrDeviceIO = 57,
  kErrInputPastEnd = 62,
  kErrPathAccess = 75,
  kErrDialogCancel = 32755,  // a file dialog's Cancel, reported as an error
};

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, const std::string& description);
  int Number() const { return number_; }
  const std::string& Description() const { return description_; }

 private:
  int number_;
  std::string description_;
};

// Our wording of the description of an error number.
std::string ErrorDescription(int number);
[[noreturn]] void RaiseError(int number);
[[noreturn]] void RaiseError(int number, const std::string& description);
// Error 9 with the standard description followed by what was out of bounds.
[[noreturn]] void RaiseSubscriptError(const std::string& what);

// "Error " followed by the number, a blank and the description, as the
// readers and dialog handlers show it.
std::string ErrorMessageText(const RuntimeError& e);

// Any caught failure as a run-time error: a RuntimeError as it is, running
// out of memory as error 7, anything else as error 51. Pass
// std::current_exception() from a catch (...) block.
RuntimeError ErrorFromException(std::exception_ptr failure);

// The error with the file, and the line of it, where it arose: " (line k of
// FILE)" after its description, or " (FILE)" for line 0, so that the user can
// find the file and the record.
RuntimeError InFile(const RuntimeError& e, const std::string& file, int line);
// "line k of FILE", or FILE alone for line 0.
std::string FileLine(const std::string& file, int line);

// The box that handlers show for a caught failure: ErrorMessageText as the
// prompt, title "Error", exclamation icon with OK. Never throws.
void ShowErrorBox(const RuntimeError& e);

// ---- Conversions -------------------------------------------------------------

// Nearest integer, ties to the even one; outside -32768..32767 (or not a
// number) is error 6.
int16_t CInt(double value);
// Text read as a number first (error 13 when it is none), then as above.
int16_t CInt(std::string_view text);
// Same rounding into 32 bits (used where a 16-bit result would be too small).
int32_t CLng(double value);
// Text to float: blanks around the number are allowed, '.' is the decimal
// separator everywhere; text that is no number is error 13.
double CDbl(std::string_view text);
// True when CDbl would accept the text.
bool IsNumber(std::string_view text);

// Whole numbers as plain decimal.
std::string Str(int value);
std::string Str(long value);
std::string Str(long long value);
// Floats as their shortest text of at most 15 significant digits, exponent
// form for very large and very small values (1.7E+308, 1E-08).
std::string Str(double value);

// 16-bit arithmetic with the overflow check of the data model.
int16_t Add16(int a, int b);

// ---- Text files by channel number (1 to 5) ----------------------------------

constexpr int kMaxChannel = 5;
// No line of any input may be longer: lines are scanned with a 16-bit position.
constexpr std::size_t kMaxLineLength = 32767;
inline constexpr const char* kLineTooLong = "Overflow: a line is longer than 32767 characters";

// A regular file only: a folder, a pipe or a device is refused at once
// (error 75), a path that names nothing is error 53.
void FileOpenInput(int channel, const std::string& path);
// Opened as a plain create-or-open for writing opens it: where
// open(path, O_WRONLY | O_CREAT | O_TRUNC) is refused, so is the save
// (error 75, the system's reason), and nothing is written anywhere. Links
// are followed as the system follows them, and a new file is created at
// once. The text is written at the close, into the file found here and
// nowhere else: a regular file is replaced by a scratch file beside it
// that has taken its owner, group, permission bits, access list and
// extended attributes, so that a write that fails part-way leaves the file
// as it was. A device, a pipe, a file with other names (hard links), one
// mounted in place, one whose folder takes no scratch file (no permission,
// no room, append-only) or whose replacement could not keep its access is
// written in place instead, a
// regular file only once the room for the whole text is sure; a device
// error part-way through such a write can still leave it part new. A
// failed save removes the file it created and leaves no other.
void FileOpenOutput(int channel, const std::string& path);
// One line without its line end (CR LF, LF or CR); a line longer than
// kMaxLineLength is error 6.
std::string LineInput(int channel);
// The same into `line`, whose room is used again.
void LineInput(int channel, std::string& line);
// The same as a view, valid until the channel is read again: into the input
// itself, or into `spill` for a line that the read-ahead cuts.
std::string_view LineView(int channel, std::string& spill);
bool FileEof(int channel);
// Prints one line ended by CR LF.
void PrintLine(int channel, const std::string& text);
// One record of whole numbers separated by commas, ended by CR LF.
void WriteRecord(int channel, std::initializer_list<long long> values);
void FileClose(int channel);
// Drops an output channel without replacing its target (after a failure).
void FileAbort(int channel);
void FileCloseAll();
// Aborts every open channel: used on error paths.
void FileAbortAll();
bool FileIsOpen(int channel);

// ---- Random numbers ----------------------------------------------------------

// One generator for the whole program; the same seed gives the same sequence
// on every compiler and platform.
void Randomize(int16_t seed);
// Uniform in [0, 1).
double Rnd();
// "Draw one of n": the nearest integer to r * n + 0.500001, ties to even.
int16_t DrawOneOf(int n);

// ---- Time --------------------------------------------------------------------

// Seconds since midnight of the time of day (a "time" value).
double TimeOfDay();
// "hh:mm:ss" and "yyyy-mm-dd" of the present moment, from one reading of
// the clock, so that the two never straddle midnight.
struct TimeAndDate {
  std::string time, date;
};
TimeAndDate TimeAndDateNow();
// Whole seconds elapsed from one time of day to a later one; a later time
// that reads smaller lies past midnight.
double SecondsBetween(double fromTime, double toTime);
// Tests replace the clock: a function returning seconds since the epoch, local.
void SetClock(std::function<double()> clock);

// ---- Message boxes -----------------------------------------------------------

enum MsgBoxStyle : int {
  kMbOkOnly = 0,
  kMbCritical = 16,
  kMbExclamation = 48,
  kMbExclamationOkCancel = 49,
  kMbInformation = 64,
  kMbInformationOkCancel = 65,
};
enum MsgBoxResult : int { kIdOk = 1, kIdCancel = 2 };

constexpr const char* kProgramTitle = "QEL";

using MessageBoxHandler =
    std::function<int(const std::string& prompt, int style, const std::string& title)>;

// Installs the handler that shows boxes; an empty handler restores the
// default, which answers OK without showing anything.
void SetMessageBoxHandler(MessageBoxHandler handler);
// Shows a modal box; no title gives the program's title "QEL".
int MsgBox(const std::string& prompt, int style = kMbOkOnly, const std::string& title = "");

}  // namespace qel
