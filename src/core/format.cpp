#include "core/format.h"

#include "core/exceptions.h"
#include "core/number_text.h"

#include <charconv>
#include <vector>

namespace quendel {

namespace {

struct TDirective {
  bool Left = false;
  int Width = -1;
  int Precision = -1;
  char Conv = 0;
};

std::string Pad(std::string s, const TDirective& Item) {
  if (Item.Width > 0 && static_cast<int>(s.size()) < Item.Width) {
    const std::string fill(static_cast<std::size_t>(Item.Width) - s.size(), ' ');
    s = Item.Left ? s + fill : fill + s;
  }
  return s;
}

// Zero-extends digits to the precision, keeping a leading minus sign.
std::string ZeroPad(std::string digits, int precision) {
  const bool neg = !digits.empty() && digits[0] == '-';
  std::string body = neg ? digits.substr(1) : digits;
  if (precision > 0 && static_cast<int>(body.size()) < precision)
    body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
  return neg ? "-" + body : body;
}

template <class I> std::string Digits(I V, int Base) {
  char buf[24];
  const auto end = std::to_chars(buf, buf + sizeof buf, V, Base).ptr;
  return std::string(buf, end);
}

// Renders one specifier; false when the argument does not suit it.
bool Render(const TDirective& Item, const TFormatArg& arg, std::string& out) {
  switch (Item.Conv) {
  case 's': {
    const std::string_view* s = arg.AsString();
    if (!s) return false;
    std::string v(*s);
    if (Item.Precision >= 0 && static_cast<int>(v.size()) > Item.Precision)
      v.resize(static_cast<std::size_t>(Item.Precision));
    out += Pad(std::move(v), Item);
    return true;
  }
  case 'd':
  case 'u': {
    const std::int64_t* i = arg.AsInteger();
    if (!i) return false;
    const std::string digits =
        Item.Conv == 'u' ? Digits(static_cast<std::uint32_t>(*i), 10) : Digits(*i, 10);
    out += Pad(ZeroPad(digits, Item.Precision), Item);
    return true;
  }
  case 'x':
  case 'X': {
    const std::int64_t* i = arg.AsInteger();
    if (!i) return false;
    // Negative 32-bit values print as their two's complement, as a 32-bit
    // program would; larger values keep all their digits.
    const auto v = (*i >= INT32_MIN && *i <= static_cast<std::int64_t>(UINT32_MAX))
                       ? static_cast<std::uint64_t>(static_cast<std::uint32_t>(*i))
                       : static_cast<std::uint64_t>(*i);
    std::string digits = Digits(v, 16);
    if (Item.Conv == 'X')
      for (char& c : digits)
        if (c >= 'a') c = static_cast<char>(c - 32);
    out += Pad(ZeroPad(std::move(digits), Item.Precision), Item);
    return true;
  }
  case 'f': {
    double v;
    if (const double* d = arg.AsFloat())
      v = *d;
    else if (const std::int64_t* i = arg.AsInteger())
      v = static_cast<double>(*i);
    else
      return false;
    out += Pad(FormatFixed(v, Item.Precision >= 0 ? Item.Precision : 2), Item);
    return true;
  }
  default:
    return false;
  }
}

std::string DoFormat(std::string_view Fmt, TFormatArgs Args, bool Strict) {
  const std::vector<const TFormatArg*> args = [&] {
    std::vector<const TFormatArg*> v;
    for (const TFormatArg& a : Args)
      v.push_back(&a);
    return v;
  }();
  std::string out;
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < Fmt.size()) {
    const char c = Fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    const std::size_t start = i++;
    if (i < Fmt.size() && Fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    TDirective Item;
    if (i < Fmt.size() && Fmt[i] == '-') {
      Item.Left = true;
      ++i;
    }
    auto number = [&](int& into) {
      if (i >= Fmt.size() || Fmt[i] < '0' || Fmt[i] > '9') return;
      into = 0;
      while (i < Fmt.size() && Fmt[i] >= '0' && Fmt[i] <= '9') {
        into = into * 10 + (Fmt[i] - '0');
        if (into > 4096) into = 4096; // widths beyond this are a mistake, not a request
        ++i;
      }
    };
    number(Item.Width);
    if (i < Fmt.size() && Fmt[i] == '.') {
      ++i;
      Item.Precision = 0;
      number(Item.Precision);
    }
    if (i < Fmt.size()) {
      Item.Conv = Fmt[i];
      if (Item.Conv >= 'A' && Item.Conv <= 'Z' && Item.Conv != 'X')
        Item.Conv = static_cast<char>(Item.Conv + 32);
      ++i;
    }
    const std::string_view whole = Fmt.substr(start, i - start);
    bool ok = false;
    if (next < args.size()) ok = Render(Item, *args[next], out);
    if (ok) {
      ++next;
      continue;
    }
    if (Strict) {
      if (next >= args.size())
        Raise<EConvertError>("Format '" + std::string(Fmt) + "' has no argument for " +
                             std::string(whole));
      Raise<EConvertError>("Format '" + std::string(Fmt) +
                           "' invalid or incompatible with argument");
    }
    out += whole;
    if (next < args.size()) ++next; // the argument belonged to this specifier
  }
  return out;
}

} // namespace

std::string Format(std::string_view Fmt, TFormatArgs Args) {
  return DoFormat(Fmt, Args, true);
}

std::string FormatSafe(std::string_view Fmt, TFormatArgs Args) noexcept {
  try {
    return DoFormat(Fmt, Args, false);
  } catch (...) {
    return std::string(Fmt);
  }
}

} // namespace quendel
