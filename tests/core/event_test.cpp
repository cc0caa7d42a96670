#include "core/event.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quendel {
namespace {

int Twice(int V) {
  return 2 * V;
}

struct TCounter {
  int Calls = 0;
  void Bump(std::string& Log, const std::string& Text) {
    ++Calls;
    Log += Text;
  }
};

TEST(Event, Delegate_EmptyAssignedCopiedClearedAndCalled) {
  TEvent<int(int)> E;
  EXPECT_FALSE(E);
  EXPECT_TRUE(E == nullptr);
  EXPECT_THROW(E(1), std::bad_function_call);

  E = &Twice;
  ASSERT_TRUE(E);
  EXPECT_EQ(E(21), 42);
  int (*None)(int) = nullptr;
  E = None; // a null function pointer leaves the event empty, as it left a std::function
  EXPECT_FALSE(E);

  // Captures and arguments by reference reach the callable, not copies.
  TCounter C;
  std::string Log;
  TEvent<void(std::string&, const std::string&)> Bump = [&C](std::string& L,
                                                             const std::string& T) {
    C.Bump(L, T);
  };
  const TEvent<void(std::string&, const std::string&)> Copy = Bump;
  Bump(Log, "a");
  Copy(Log, "b");
  EXPECT_EQ(C.Calls, 2);
  EXPECT_EQ(Log, "ab");

  // A mutable lambda changes its own copy, so each event keeps its own count.
  TEvent<int()> Next = [N = 0]() mutable { return ++N; };
  EXPECT_EQ(Next(), 1);
  TEvent<int()> Other = Next;
  EXPECT_EQ(Next(), 2);
  EXPECT_EQ(Other(), 2);
  EXPECT_EQ(Other(), 3);
  EXPECT_EQ(Next(), 3);

  Bump = nullptr;
  EXPECT_FALSE(Bump);
  EXPECT_TRUE(Copy);
}

TEST(Event, AnyEvent_BindsOnlyItsOwnSignature) {
  int Calls = 0;
  const TAnyEvent Handler = TEvent<void(int)>([&Calls](int V) { Calls += V; });
  ASSERT_TRUE(Handler.HasValue());

  TEvent<void(int)> Right;
  ASSERT_TRUE(Handler.Into(Right));
  Right(5);
  EXPECT_EQ(Calls, 5);

  TEvent<void(long)> Wider = [](long) {};
  EXPECT_FALSE(Handler.Into(Wider));
  EXPECT_TRUE(Wider); // left as it was
  TEvent<void()> Fewer;
  EXPECT_FALSE(Handler.Into(Fewer));
  EXPECT_FALSE(TAnyEvent().HasValue());
}

TEST(Event, FunctionRef_CallsTheCallersOwnCallable) {
  std::string Seen;
  const auto Append = [&Seen](const std::string& S) {
    Seen += S;
    return Seen.size();
  };
  const auto Use = [](TFunctionRef<std::size_t(const std::string&)> F) { return F("xy"); };
  EXPECT_EQ(Use(Append), 2u);
  EXPECT_EQ(Use(Append), 4u);
  EXPECT_EQ(Seen, "xyxy");

  const TFunctionRef<void()> None = nullptr;
  EXPECT_FALSE(None);
}

} // namespace
} // namespace quendel
