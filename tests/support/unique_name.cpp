#include "support/unique_name.h"

#include <atomic>
#include <random>

#ifdef _WIN32
#include <process.h>
#define QUENDEL_GETPID _getpid
#else
#include <unistd.h>
#define QUENDEL_GETPID getpid
#endif

namespace quendel::test {

std::string UniqueName(std::string_view Prefix) {
  static std::atomic<unsigned> Counter{0};
  std::random_device Random;
  return std::string(Prefix) + "-" + std::to_string(QUENDEL_GETPID()) + "-" +
         std::to_string(++Counter) + "-" + std::to_string(Random());
}

} // namespace quendel::test
