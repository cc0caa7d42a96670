// What the author tool's commands run in: this machine's platform (the real
// one on Windows, the simulated one natively), the process-wide contexts of
// the layers, and every class a definition may name.
#pragma once

#include "links/links_context.h"
#include "model/model_context.h"
#include "platform/platform.h"
#include "translate/translator.h"

#include <optional>

namespace quendel::cli {

// The platform of this machine. Natively the simulated machine also records
// its shell folders in its registry, as Windows does.
platform::TPlatform ThisMachine();

class TAuthorRuntime {
public:
  TAuthorRuntime();
  ~TAuthorRuntime();
  TAuthorRuntime(const TAuthorRuntime&) = delete;
  TAuthorRuntime& operator=(const TAuthorRuntime&) = delete;

  platform::TPlatform& Platform() { return FPlatform; }
  TModelContext& Model() { return FModel; }

private:
  // Declared in the order of creation; scopes end before their contexts.
  platform::TPlatform FPlatform;
  TModelContext FModel;
  TTranslateContext FTranslate;
  TLinksContext FLinks;
  std::optional<TModelContextScope> FModelScope;
  std::optional<TTranslateScope> FTranslateScope;
  std::optional<TLinksContextScope> FLinksScope;
};

} // namespace quendel::cli
