// Events and hooks: a light delegate.
//
//   TEvent<void(TComponent* Sender)> OnClick;
//   OnClick = [this](TComponent*) { Clicked(); };
//   if (OnClick) OnClick(this);
//
// A TEvent holds a call function and, beside it, a copy of a small callable:
// a lambda capturing `this`, a reference or a few pointers, or a plain
// function. The callable must be trivially copyable and destructible, so a
// TEvent is itself a plain value: copying it copies its bytes and nothing is
// destroyed, and a callable brings one call function and nothing else (no
// manager, no type information). A callable that owns something (a string, a
// vector) or is larger than three pointers is refused when compiled: keep its
// state in the object the lambda captures instead.
//
// An empty event is false; calling it raises std::bad_function_call.
// TAnyEvent carries an event of any signature through the class tables (a
// handler registered for a stored definition), checked against the event's
// own signature when it is assigned.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace quendel {

namespace detail {
[[noreturn]] void RaiseEmptyEvent();
inline constexpr std::size_t kEventCallableSize = 3 * sizeof(void*);
// Scalars travel by value through the call function, everything else by reference.
template <class T> using TEventArg = std::conditional_t<std::is_scalar_v<T>, T, T&&>;
// One distinct address per signature; writable, so that no optimisation folds two together.
template <class Sig> inline char EventKind = 0;
} // namespace detail

template <class Sig> class TEvent;

template <class R, class... A> class TEvent<R(A...)> {
public:
  constexpr TEvent() noexcept = default;
  constexpr TEvent(std::nullptr_t) noexcept {}

  template <class F, class D = std::decay_t<F>>
    requires(!std::is_same_v<D, TEvent> && !std::is_same_v<D, std::nullptr_t> &&
             std::is_invocable_r_v<R, D&, A...>)
  TEvent(F&& Callable) noexcept {
    static_assert(std::is_trivially_copyable_v<D> && std::is_trivially_destructible_v<D>,
                  "an event holds only trivially copyable callables (capture this or pointers)");
    static_assert(sizeof(D) <= detail::kEventCallableSize && alignof(D) <= alignof(void*),
                  "an event holds callables of at most three pointers");
    if constexpr (std::is_pointer_v<std::remove_reference_t<F>>)
      if (!Callable) return; // a null function pointer leaves the event empty
    ::new (static_cast<void*>(FCallable)) D(std::forward<F>(Callable));
    FCall = &Call<D>;
  }

  TEvent& operator=(std::nullptr_t) noexcept {
    FCall = nullptr;
    return *this;
  }

  explicit operator bool() const noexcept { return FCall != nullptr; }
  friend bool operator==(const TEvent& E, std::nullptr_t) noexcept { return E.FCall == nullptr; }

  R operator()(A... Args) const {
    if (!FCall) detail::RaiseEmptyEvent();
    return FCall(FCallable, std::forward<A>(Args)...);
  }

private:
  using TCall = R (*)(void* Callable, detail::TEventArg<A>...);

  template <class D> static R Call(void* Callable, detail::TEventArg<A>... Args) {
    if constexpr (std::is_void_v<R>)
      (*static_cast<D*>(Callable))(std::forward<A>(Args)...);
    else
      return (*static_cast<D*>(Callable))(std::forward<A>(Args)...);
  }

  TCall FCall = nullptr;
  // Mutable: a lambda declared mutable changes its own copy when called, as before.
  alignas(void*) mutable unsigned char FCallable[detail::kEventCallableSize]{};
};

// A callback handed to a function for the length of its call: the callable
// stays where the caller has it (any size, any captures) and is reached
// through one pointer. Never kept beyond the call it was passed to. Empty
// when made from nullptr.
template <class Sig> class TFunctionRef;

template <class R, class... A> class TFunctionRef<R(A...)> {
public:
  constexpr TFunctionRef(std::nullptr_t) noexcept {}

  template <class F, class D = std::remove_reference_t<F>>
    requires(!std::is_same_v<std::remove_cv_t<D>, TFunctionRef> &&
             !std::is_same_v<std::remove_cv_t<D>, std::nullptr_t> && !std::is_function_v<D> &&
             std::is_invocable_r_v<R, D&, A...>)
  TFunctionRef(F&& Callable) noexcept
      : FCallable(const_cast<void*>(static_cast<const void*>(&Callable))), FCall(&Call<D>) {}

  explicit operator bool() const noexcept { return FCall != nullptr; }

  R operator()(A... Args) const { return FCall(FCallable, std::forward<A>(Args)...); }

private:
  template <class D> static R Call(void* Callable, detail::TEventArg<A>... Args) {
    if constexpr (std::is_void_v<R>)
      (*static_cast<D*>(Callable))(std::forward<A>(Args)...);
    else
      return (*static_cast<D*>(Callable))(std::forward<A>(Args)...);
  }

  void* FCallable = nullptr;
  R (*FCall)(void*, detail::TEventArg<A>...) = nullptr;
};

// An event of any signature, or none. Assigning it to an event of another
// signature is refused (Into returns false).
class TAnyEvent {
public:
  TAnyEvent() noexcept = default;
  template <class Sig>
  TAnyEvent(const TEvent<Sig>& Event) noexcept : FKind(&detail::EventKind<Sig>) {
    static_assert(sizeof(TEvent<Sig>) == sizeof(FBytes));
    std::memcpy(FBytes, &Event, sizeof FBytes);
  }

  bool HasValue() const noexcept { return FKind != nullptr; }
  template <class Sig> bool Into(TEvent<Sig>& Event) const noexcept {
    if (FKind != &detail::EventKind<Sig>) return false;
    std::memcpy(static_cast<void*>(&Event), FBytes, sizeof FBytes);
    return true;
  }

private:
  const char* FKind = nullptr;
  alignas(void*) unsigned char FBytes[sizeof(TEvent<void()>)]{};
};

} // namespace quendel
