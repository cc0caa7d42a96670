// Message formatting. Messages are translated at run time, so the format
// string is data: every argument is checked against its specifier and a
// mismatch is reported, never undefined behaviour.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace quendel {

// One argument of a formatted message: a text, an integer or a float.
class TFormatArg {
public:
  TFormatArg(std::string_view S) : FValue(std::string(S)) {}
  TFormatArg(const std::string& S) : FValue(S) {}
  TFormatArg(const char* S) : FValue(std::string(S ? S : "")) {}
  TFormatArg(bool) = delete; // a Boolean has no specifier of its own
  template <class I>
    requires std::is_integral_v<I>
  TFormatArg(I V) : FValue(static_cast<std::int64_t>(V)) {}
  TFormatArg(double V) : FValue(V) {}

  const std::string* AsString() const { return std::get_if<std::string>(&FValue); }
  const std::int64_t* AsInteger() const { return std::get_if<std::int64_t>(&FValue); }
  const double* AsFloat() const { return std::get_if<double>(&FValue); }

private:
  std::variant<std::string, std::int64_t, double> FValue;
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
