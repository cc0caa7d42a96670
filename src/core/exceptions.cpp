#include "core/exceptions.h"

#include <functional>

namespace quendel {

// Calling an empty event fails as calling an empty std::function does.
void detail::RaiseEmptyEvent() {
  throw std::bad_function_call();
}

namespace {
TTranslateHook& Hook() {
  static TTranslateHook hook;
  return hook;
}
} // namespace

TTranslateHook SetTranslateHook(TTranslateHook NewHook) {
  TTranslateHook old = std::move(Hook());
  Hook() = std::move(NewHook);
  return old;
}

std::string TranslateText(const std::string& English) {
  if (!Hook()) return English;
  try {
    return Hook()(English);
  } catch (...) {
    return English; // a failing translation must not hide the error being raised
  }
}

std::string DescribeWithCauses(const std::exception& Error) {
  std::string Text = Error.what();
  const std::exception* Current = &Error;
  std::exception_ptr Next;
  // A chain is short; the bound only guards against a cause that names itself.
  for (int Depth = 0; Depth < 16; ++Depth) {
    const auto* Own = dynamic_cast<const Exception*>(Current);
    if (!Own || !Own->Cause()) break;
    Next = Own->Cause();
    try {
      std::rethrow_exception(Next);
    } catch (const std::exception& Cause) {
      Text.append("; caused by: ").append(Cause.what());
      Current = &Cause;
      continue;
    } catch (...) {
      Text.append("; caused by an unknown error");
    }
    break;
  }
  return Text;
}

IException::IException(const std::string& Message)
    : ECustomQuendelAbnormal(TranslateText(Message)) {}

IException::IException(std::string_view Fmt, TFormatArgs Args)
    : ECustomQuendelAbnormal(FormatSafe(TranslateText(std::string(Fmt)), Args)) {}

EAIUserAbort::EAIUserAbort() : EAI(TranslateText("Installation aborted by the user")) {}

EUserAbortInstall::EUserAbortInstall() : ECustomQuendelAbnormal("Creating Install Aborted!") {}

} // namespace quendel
