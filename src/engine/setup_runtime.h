// Everything a setup program runs in, composed in the order of its start:
// the platform, the contexts of every layer with every class a definition
// may name, the log and user-interface services the command line asks for
// ("*l<path>", "*q"), and the application object. Destroyed in the reverse
// order. The Win32 program makes one on the real machine; a test makes one
// on the simulated machine.
#pragma once

#include "archive/archive_context.h"
#include "engine/application.h"
#include "links/links_context.h"
#include "model/model_context.h"
#include "net/net_location.h"
#include "platform/platform.h"
#include "translate/translator.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quendel {

class TSetupRuntime {
public:
  // ProgramPath: the running program file as the platform names it.
  TSetupRuntime(platform::TPlatform Platform, std::string ProgramPath,
                std::vector<std::string> Args);
  ~TSetupRuntime();
  TSetupRuntime(const TSetupRuntime&) = delete;
  TSetupRuntime& operator=(const TSetupRuntime&) = delete;

  platform::TPlatform& Platform() { return FPlatform; }
  TModelContext& Model() { return FModel; }
  TNetContext& Net() { return *FNet; }
  TApplication& App() { return *FApp; }
  TInstallLog& Log() { return FModel.Log; }
  // "*q": no windows; every question takes its default answer.
  bool Quiet() const { return FQuiet; }
  // "*l" named a log that could not be opened.
  bool LogFailed() const { return FLogFailed; }

private:
  platform::TPlatform FPlatform;
  bool FQuiet = false;
  bool FLogFailed = false;
  TModelContext FModel;
  TTranslateContext FTranslate;
  std::optional<TArchiveContext> FArchive;
  std::optional<TModelContextScope> FModelScope;
  std::optional<TTranslateScope> FTranslateScope;
  std::optional<TArchiveContextScope> FArchiveScope;
  std::unique_ptr<TNetContext> FNet;
  std::optional<TNetContextScope> FNetScope;
  // Shortcut groups and shortcuts; their lists refer to the model's objects.
  TLinksContext FLinks;
  std::optional<TLinksContextScope> FLinksScope;
  std::unique_ptr<TApplication> FApp;
  std::optional<TApplicationScope> FAppScope;
};

} // namespace quendel
