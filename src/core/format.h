// Message formatting. Messages are translated at run time, so the format
// string is data: every argument is checked against its specifier and a
// mismatch is reported, never undefined behaviour.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace quendel {

// One argument of a formatted message: a text, an integer or a float. It
// refers to the caller's text instead of copying it (arguments live only for
// the call they are passed to), so a message costs no string copies where it
// is raised.
class TFormatArg {
public:
  TFormatArg(std::string_view S) : FKind(kText), FText(S) {}
  TFormatArg(const std::string& S) : FKind(kText), FText(S) {}
  TFormatArg(const char* S) : FKind(kText), FText(S ? S : "") {}
  TFormatArg(bool) = delete; // a Boolean has no specifier of its own
  template <class I>
    requires std::is_integral_v<I>
  TFormatArg(I V) : FKind(kInteger), FInteger(static_cast<std::int64_t>(V)) {}
  TFormatArg(double V) : FKind(kFloat), FFloat(V) {}

  const std::string_view* AsString() const { return FKind == kText ? &FText : nullptr; }
  const std::int64_t* AsInteger() const { return FKind == kInteger ? &FInteger : nullptr; }
  const double* AsFloat() const { return FKind == kFloat ? &FFloat : nullptr; }

private:
  enum TKind : unsigned char { kText, kInteger, kFloat };
  TKind FKind;
  union {
    std::string_view FText;
    std::int64_t FInteger;
    double FFloat;
  };
};

using TFormatArgs = std::initializer_list<TFormatArg>;

// Formats Fmt with the classic specifiers: %s (text), %d and %u (integer),
// %x and %X (hexadecimal), %f (float), %% (a percent sign), each with an
// optional "-" (left-justify), width and ".precision" (%.3d pads with zeros,
// %.5s cuts). Raises EConvertError when a specifier has no argument, the
// argument has the wrong kind, or the specifier is unknown.
std::string Format(std::string_view Fmt, TFormatArgs Args);

// The same, but never raises: a specifier that cannot be served is copied as
// it stands. Used where an error message is being built for another error.
std::string FormatSafe(std::string_view Fmt, TFormatArgs Args) noexcept;

} // namespace quendel
