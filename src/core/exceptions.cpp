#include "core/exceptions.h"

namespace quendel {

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

IException::IException(const std::string& Message)
    : ECustomQuendelAbnormal(TranslateText(Message)) {}

IException::IException(std::string_view Fmt, TFormatArgs Args)
    : ECustomQuendelAbnormal(FormatSafe(TranslateText(std::string(Fmt)), Args)) {}

EAIUserAbort::EAIUserAbort() : EAI(TranslateText("Installation aborted by the user")) {}

EUserAbortInstall::EUserAbortInstall() : ECustomQuendelAbnormal("Creating Install Aborted!") {}

} // namespace quendel
