// The C++ library's own errors in a program linked as the shipped programs
// are (apps/common/library_errors.cpp in place of the library's helpers):
// each still reaches a handler for std::exception with the library's message.
// A plain program, not a GoogleTest one: GoogleTest's stream code would link
// the library's helpers back in beside these.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

int Failures = 0;

template <class F> void ExpectMessage(const char* Case, const char* Expected, F&& Action) {
  try {
    Action();
    std::fprintf(stderr, "%s: nothing was raised\n", Case);
    ++Failures;
  } catch (const std::exception& E) {
    if (std::strcmp(E.what(), Expected) != 0) {
      std::fprintf(stderr, "%s: raised \"%s\", expected \"%s\"\n", Case, E.what(), Expected);
      ++Failures;
    }
  } catch (...) {
    std::fprintf(stderr, "%s: raised something that is not a std::exception\n", Case);
    ++Failures;
  }
}

} // namespace

int main(int Argc, char**) {
  // Argc keeps the sizes out of the compiler's sight, so that each error is
  // raised at run time by the library's code.
  const std::size_t Five = static_cast<std::size_t>(Argc) + 4;
  ExpectMessage("substr past the end",
                "basic_string::substr: __pos (which is 5) > this->size() (which is 3)",
                [&] { (void)std::string("abc").substr(Five); });
  ExpectMessage("vector at",
                "vector::_M_range_check: __n (which is 5) >= this->size() (which is 0)",
                [&] { (void)std::vector<int>().at(Five); });
  const std::size_t Huge = static_cast<std::size_t>(-1) / static_cast<std::size_t>(Argc + 1);
  ExpectMessage("string too long", "basic_string::_M_create", [&] {
    std::string S;
    S.reserve(static_cast<std::size_t>(-1) - static_cast<std::size_t>(Argc));
  });
  ExpectMessage("vector too long", "cannot create std::vector larger than max_size()",
                [&] { std::vector<int> V(Huge); });
  ExpectMessage("string from null", "basic_string: construction from null is not valid", [&] {
    const char* Null = Argc > 100 ? "x" : nullptr;
    std::string S(Null);
  });
#ifdef _GLIBCXX_HAS_GTHREADS
  // A thread that was never started cannot be joined: the C library's text
  // for EINVAL, as std::system_error's generic category words it. (The
  // win32 build's thread model has no std::thread.)
  ExpectMessage("join without a thread", std::strerror(EINVAL), [] {
    std::thread T;
    T.join();
  });
#endif
  if (Failures) return 1;
  std::puts("the library's errors keep their messages");
  return 0;
}
