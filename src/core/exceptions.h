// The system's error families. Every error is an exception; messages of the
// install-object family pass through the translator before they are formatted.
#pragma once

#include "core/event.h"
#include "core/format.h"

#include <exception>
#include <string>
#include <utility>

namespace quendel {

// Root of every error this system raises: carries a ready message and, when
// it replaced a lower error (an operating-system call behind "Could not
// create file"), that error as its cause, so that the log, the message box
// and the engine still learn what really failed.
class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
  Exception(std::string_view Fmt, TFormatArgs Args) : FMessage(FormatSafe(Fmt, Args)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const { return FMessage; }

  // The error this one replaced, or null.
  const std::exception_ptr& Cause() const noexcept { return FCause; }
  void SetCause(std::exception_ptr ACause) noexcept { FCause = std::move(ACause); }

private:
  std::string FMessage;
  std::exception_ptr FCause;
};

// Raises Error with the exception being handled as its cause; for use inside
// a catch block where a lower error becomes one of this system's messages.
template <class E> [[noreturn]] void ThrowWithCause(E Error) {
  Error.SetCause(std::current_exception());
  throw Error;
}

// Raises E with its message (formatted from Fmt and Args): one out-of-line
// function per error class, instead of the allocation, construction and
// throw that a throw expression writes out at each of the programs' four
// hundred places that raise. The setup program ships inside every product's
// setup.exe, so those copies are paid for by every download.
template <class E> [[noreturn, gnu::noinline, gnu::cold]] void Raise(const char* Message) {
  throw E(std::string(Message));
}
template <class E> [[noreturn, gnu::noinline, gnu::cold]] void Raise(const std::string& Message) {
  throw E(Message);
}
template <class E>
[[noreturn, gnu::noinline, gnu::cold]] void Raise(std::string_view Fmt, TFormatArgs Args) {
  throw E(Fmt, Args);
}
// A literal pattern is measured here, not at the place that raises.
template <class E>
[[noreturn, gnu::noinline, gnu::cold]] void Raise(const char* Fmt, TFormatArgs Args) {
  throw E(std::string_view(Fmt), Args);
}

// The first error of type E along Error's chain of causes (Error itself
// first), or nullptr. The pointer lives as long as Error.
template <class E> const E* FindInCauses(const std::exception& Error) {
  if (const auto* Found = dynamic_cast<const E*>(&Error)) return Found;
  const auto* Own = dynamic_cast<const Exception*>(&Error);
  if (!Own || !Own->Cause()) return nullptr;
  try {
    std::rethrow_exception(Own->Cause());
  } catch (const std::exception& Cause) {
    return FindInCauses<E>(Cause);
  } catch (...) {
  }
  return nullptr;
}

// The message followed by each cause's ("...; caused by: CreateFileA(...)
// failed: error 32 ERROR_SHARING_VIOLATION"), for logs and message boxes.
std::string DescribeWithCauses(const std::exception& Error);

#define QUENDEL_EXCEPTION(Name, Base)                                                              \
  class Name : public Base {                                                                       \
  public:                                                                                          \
    using Base::Base;                                                                              \
  }

// Errors of the component and property machinery.
QUENDEL_EXCEPTION(EConvertError, Exception);
QUENDEL_EXCEPTION(EComponentError, Exception);
QUENDEL_EXCEPTION(EPropertyError, Exception);
QUENDEL_EXCEPTION(EListError, Exception);
QUENDEL_EXCEPTION(EInvalidGraphic, Exception);
QUENDEL_EXCEPTION(EReadError, Exception);
QUENDEL_EXCEPTION(EWriteError, Exception);

// A silent abort: skips the current object or file without ending the run and
// without a message to the user.
QUENDEL_EXCEPTION(EAbort, Exception);

// The system's own errors.
QUENDEL_EXCEPTION(ECustomQuendelAbnormal, Exception);

// Errors of install objects. The English message is looked up in the active
// language first (TranslateHook), then formatted with the arguments.
class IException : public ECustomQuendelAbnormal {
public:
  explicit IException(const std::string& Message);
  IException(std::string_view Fmt, TFormatArgs Args);
};

// The translation every IException message passes through; identity until a
// translator is installed. Returns the previous hook.
using TTranslateHook = TEvent<std::string(const std::string&)>;
TTranslateHook SetTranslateHook(TTranslateHook Hook);
std::string TranslateText(const std::string& English);

// Errors of the system's services (archives, operating-system calls, the
// program launcher); their messages are not translated.
QUENDEL_EXCEPTION(EQuendelAbnormal, ECustomQuendelAbnormal);

// An aborted install.
QUENDEL_EXCEPTION(EAI, ECustomQuendelAbnormal);
class EAIUserAbort : public EAI {
public:
  EAIUserAbort();
  using EAI::EAI;
};

// Ends a build or a floppy transfer.
class EUserAbortInstall : public ECustomQuendelAbnormal {
public:
  EUserAbortInstall();
  using ECustomQuendelAbnormal::ECustomQuendelAbnormal;
};

} // namespace quendel
