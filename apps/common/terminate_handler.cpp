// What a program says when an exception escapes everything. The C++
// library's own handler names the exception's type, for which it links its
// whole name demangler (some 46 KB) into every program that ships; these
// programs catch what they expect, so the type name is not worth that. The
// message keeps the exception's text, and the program still aborts.
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
  static bool Terminating = false;
  if (Terminating) {
    std::fputs("terminate called recursively\n", stderr);
    std::abort();
  }
  Terminating = true;
  if (const std::exception_ptr Current = std::current_exception()) {
    try {
      std::rethrow_exception(Current);
    } catch (const std::exception& E) {
      // fputs, not fprintf: a formatted print would link the C library's
      // whole printf machinery into every program for this one line.
      std::fputs("terminate called after throwing an exception\n  what():  ", stderr);
      std::fputs(E.what(), stderr);
      std::fputs("\n", stderr);
    } catch (...) {
      std::fputs("terminate called after throwing an exception\n", stderr);
    }
  } else {
    std::fputs("terminate called without an active exception\n", stderr);
  }
  std::abort();
}

} // namespace __gnu_cxx
