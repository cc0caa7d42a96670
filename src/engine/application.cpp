#include "engine/application.h"

#include "core/exceptions.h"

namespace quendel {

namespace {
TApplication* GCurrent = nullptr;
}

TApplication::TApplication(std::string ProgramPath, std::vector<std::string> Args,
                           platform::IUIServices& UI)
    : FProgramPath(std::move(ProgramPath)), FArgs(std::move(Args)), FUI(&UI) {}

void TApplication::Activate() {
  if (OnActivate) OnActivate();
}

void TApplication::HandleException(TComponent* Sender, const std::exception& E) {
  if (OnException)
    OnException(Sender, E);
  else
    ShowException(E);
}

void TApplication::ShowException(const std::exception& E) {
  // Logged once: unattended, by the services' report of the box.
  if (FUI->Interactive()) LogLine("ERROR", E.what());
  FUI->ShowMessageBox(E.what(), Title, platform::mbOK | platform::mbIconError);
}

int TApplication::ShowMessageBox(const std::string& Text, const std::string& Caption, unsigned Flags) {
  const int answer = FUI->ShowMessageBox(Text, Caption, Flags);
  if (Log && FUI->Interactive()) LogAnswer(*Log, Text, Flags, answer, true);
  return answer;
}

void LogAnswer(TInstallLog& Log, const std::string& Text, unsigned Flags, int Answer,
               bool Interactive) {
  static const char* const kAnswers[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};
  const char* name = Answer >= 1 && Answer <= 7 ? kAnswers[Answer] : "?";
  if ((Flags & 0xF) == platform::mbOK)
    Log.Write((Flags & 0xF0) == platform::mbIconError ? "ERROR" : "MESSAGE", Text);
  else
    Log.Write("ASK", "%s -> %s%s", {Text, name, Interactive ? "" : " (default answer)"});
}

TApplication& Application() {
  if (!GCurrent) Raise<EComponentError>("No application object is current");
  return *GCurrent;
}

bool HasApplication() {
  return GCurrent != nullptr;
}

TApplicationScope::TApplicationScope(TApplication& App) : FPrevious(GCurrent) {
  GCurrent = &App;
}

TApplicationScope::~TApplicationScope() {
  GCurrent = FPrevious;
}

} // namespace quendel
