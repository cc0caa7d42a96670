// How the C++ library's own errors are raised in a program that ships: a
// string position past its end, a container grown past its limit, a thread
// or lock the system refuses. The library raises them through its
// std::__throw_* helpers; its versions throw std::logic_error and its kin,
// which keep their message in the old reference-counted string, so they link
// that whole string class (and everything in its object, down to
// std::random_device), and std::system_error's category machinery besides.
// These programs catch such errors only as std::exception and show what():
// the helpers here throw a std::exception with the same message, and the
// errors without a message as the library's own types.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class TLibraryError final : public std::exception {
public:
  explicit TLibraryError(const char* Text) noexcept { Append(Text ? Text : ""); }
  const char* what() const noexcept override { return FText; }

  // The library's message patterns use only %s, %zu and %% (the same as its
  // own formatter); a message longer than the buffer is cut.
  void Format(const char* Pattern, std::va_list Args) noexcept {
    for (const char* P = Pattern; *P; ++P) {
      if (*P != '%') {
        Put(*P);
      } else if (P[1] == 's') {
        Append(va_arg(Args, const char*));
        ++P;
      } else if (P[1] == 'z' && P[2] == 'u') {
        AppendNumber(va_arg(Args, std::size_t));
        P += 2;
      } else if (P[1] == '%') {
        Put('%');
        ++P;
      } else {
        Put(*P);
      }
    }
  }
  TLibraryError() noexcept = default;

private:
  void Put(char C) noexcept {
    if (FLength + 1 < sizeof FText) {
      FText[FLength++] = C;
      FText[FLength] = '\0';
    }
  }
  void Append(const char* Text) noexcept {
    while (*Text) Put(*Text++);
  }
  void AppendNumber(std::size_t N) noexcept {
    char Digits[24];
    int Count = 0;
    do {
      Digits[Count++] = static_cast<char>('0' + N % 10);
      N /= 10;
    } while (N);
    while (Count) Put(Digits[--Count]);
  }

  char FText[512] = "";
  std::size_t FLength = 0;
};

} // namespace

namespace std {

void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }

void __throw_logic_error(const char* Text) { throw TLibraryError(Text); }
void __throw_domain_error(const char* Text) { throw TLibraryError(Text); }
void __throw_invalid_argument(const char* Text) { throw TLibraryError(Text); }
void __throw_length_error(const char* Text) { throw TLibraryError(Text); }
void __throw_out_of_range(const char* Text) { throw TLibraryError(Text); }
void __throw_runtime_error(const char* Text) { throw TLibraryError(Text); }
void __throw_range_error(const char* Text) { throw TLibraryError(Text); }
void __throw_overflow_error(const char* Text) { throw TLibraryError(Text); }
void __throw_underflow_error(const char* Text) { throw TLibraryError(Text); }

void __throw_out_of_range_fmt(const char* Pattern, ...) {
  TLibraryError Error;
  std::va_list Args;
  va_start(Args, Pattern);
  Error.Format(Pattern, Args);
  va_end(Args);
  throw Error;
}

// The library's message for a system error code is the C library's text.
void __throw_system_error(int Code) { throw TLibraryError(std::strerror(Code)); }

} // namespace std
