// One way for every layer to keep its process-wide state: a context object
// that the runtime creates, made current by a scope for the scope's lifetime.
//
// A layer's context type C names itself for the error text
// (`static constexpr const char* ContextName`). Optionally it declares a
// nested type `ScopeGuard`, constructed from C& after the context became
// current and destroyed before the previous one is restored; a layer uses it
// to install and restore whatever else goes with its context (the translate
// layer's message hook). A layer whose callers catch its own error family
// may name the error raised without a scope (`using NoContextError = ...`);
// otherwise it is EContextError.
//
// Using a context while no scope is active is a programming error that
// would otherwise run against some default state silently, so
// TContextScope<C>::Current() raises EContextError.
#pragma once

#include "core/exceptions.h"

#include <optional>
#include <utility>

namespace quendel {

QUENDEL_EXCEPTION(EContextError, EComponentError);

namespace detail {
template <class C>
concept HasScopeGuard = requires {
  typename C::ScopeGuard;
};
template <class C> struct TScopeGuardOf {
  struct type {
    explicit type(C&) {}
  };
};
template <HasScopeGuard C> struct TScopeGuardOf<C> { using type = typename C::ScopeGuard; };
template <class C> struct TNoContextErrorOf { using type = EContextError; };
template <class C>
requires requires {
  typename C::NoContextError;
}
struct TNoContextErrorOf<C> {
  using type = typename C::NoContextError;
};
} // namespace detail

template <class C> class TContextScope {
public:
  explicit TContextScope(C& Context) : FPrevious(Slot()) {
    Slot() = &Context;
    try {
      FGuard.emplace(Context);
    } catch (...) {
      Slot() = FPrevious;
      throw;
    }
  }
  ~TContextScope() {
    FGuard.reset();
    Slot() = FPrevious;
  }
  TContextScope(const TContextScope&) = delete;
  TContextScope& operator=(const TContextScope&) = delete;

  // The context of the innermost live scope; EContextError without one.
  static C& Current() {
    if (!Slot())
      throw typename detail::TNoContextErrorOf<C>::type("No %s is active", {C::ContextName});
    return *Slot();
  }
  // The context of the innermost live scope, or nullptr.
  static C* Installed() { return Slot(); }

private:
  // One slot per context type for the whole program (an inline function's
  // static is shared by every translation unit).
  static C*& Slot() {
    static C* Context = nullptr;
    return Context;
  }

  C* FPrevious;
  std::optional<typename detail::TScopeGuardOf<C>::type> FGuard;
};

// A context and the scope that makes it current, as one member: the runtime
// declares one per layer, in the order the layers are to be created.
template <class C> class TScopedContext {
public:
  template <class... A>
  explicit TScopedContext(A&&... Args) : FContext(std::forward<A>(Args)...), FScope(FContext) {}

  C& operator*() { return FContext; }
  C* operator->() { return &FContext; }
  C& Get() { return FContext; }

private:
  C FContext;
  TContextScope<C> FScope; // ends before the context it made current
};

} // namespace quendel
