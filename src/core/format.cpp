#include "core/format.h"

#include "core/exceptions.h"
#include "core/number_text.h"

#include <charconv>

namespace quendel {

namespace {

struct TDirective {
  bool Left = false;
  int Width = -1;
  int Precision = -1;
  char Conv = 0;
};

// Appends Text padded with spaces to the width.
void Put(std::string& Out, std::string_view Text, const TDirective& Item) {
  const std::size_t fill = Item.Width > static_cast<int>(Text.size())
                               ? static_cast<std::size_t>(Item.Width) - Text.size()
                               : 0;
  if (!Item.Left) Out.append(fill, ' ');
  Out.append(Text);
  if (Item.Left) Out.append(fill, ' ');
}

// Appends an integer's digits, zero-extended to the precision after a
// leading minus sign, then padded to the width.
template <class I> void PutInteger(std::string& Out, I V, int Base, const TDirective& Item) {
  char buf[24];
  char* const end = std::to_chars(buf, buf + sizeof buf, V, Base).ptr;
  const std::string_view text(buf, static_cast<std::size_t>(end - buf));
  const std::size_t sign = text[0] == '-' ? 1 : 0;
  const std::size_t digits = text.size() - sign;
  if (Item.Precision <= static_cast<int>(digits)) return Put(Out, text, Item);
  std::string wide(text.substr(0, sign));
  wide.append(static_cast<std::size_t>(Item.Precision) - digits, '0').append(text.substr(sign));
  Put(Out, wide, Item);
}

// Renders one specifier; false when the argument does not suit it.
bool Render(const TDirective& Item, const TFormatArg& arg, std::string& out) {
  switch (Item.Conv) {
  case 's': {
    const std::string_view* s = arg.AsString();
    if (!s) return false;
    Put(out, Item.Precision >= 0 ? s->substr(0, static_cast<std::size_t>(Item.Precision)) : *s,
        Item);
    return true;
  }
  case 'd':
  case 'u': {
    const std::int64_t* i = arg.AsInteger();
    if (!i) return false;
    if (Item.Conv == 'u')
      PutInteger(out, static_cast<std::uint32_t>(*i), 10, Item);
    else
      PutInteger(out, *i, 10, Item);
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
    const std::size_t at = out.size();
    PutInteger(out, v, 16, Item);
    if (Item.Conv == 'X')
      for (std::size_t k = at; k < out.size(); ++k)
        if (out[k] >= 'a') out[k] = static_cast<char>(out[k] - 32);
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
    Put(out, FormatFixed(v, Item.Precision >= 0 ? Item.Precision : 2), Item);
    return true;
  }
  default: return false;
  }
}

std::string DoFormat(std::string_view Fmt, TFormatArgs Args, bool Strict) {
  const TFormatArg* const args = Args.begin();
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
    if (next < Args.size()) ok = Render(Item, args[next], out);
    if (ok) {
      ++next;
      continue;
    }
    if (Strict) {
      if (next >= Args.size())
        Raise<EConvertError>("Format '%s' has no argument for %s", {Fmt, whole});
      Raise<EConvertError>("Format '%s' invalid or incompatible with argument", {Fmt});
    }
    out += whole;
    if (next < Args.size()) ++next; // the argument belonged to this specifier
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
