// The system's error families. Every error is an exception; messages of the
// install-object family pass through the translator before they are formatted.
#pragma once

#include "core/format.h"

#include <exception>
#include <functional>
#include <string>

namespace quendel {

// Root of every error this system raises: carries a ready message.
class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
  Exception(std::string_view Fmt, TFormatArgs Args) : FMessage(FormatSafe(Fmt, Args)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const { return FMessage; }

private:
  std::string FMessage;
};

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
using TTranslateHook = std::function<std::string(const std::string&)>;
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
