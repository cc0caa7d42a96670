#include "runtime/runtime.h"

#include "archive/archive_context.h"
#include "dialogs/dialog_manager.h"
#include "links/links_context.h"
#include "links/shell_link.h"
#include "model/model_classes.h"
#include "model/model_context.h"
#include "net/net_location.h"
#include "paths/path_classes.h"
#include "translate/translator.h"
#include "ui/forms.h"
#include "ui/main_form.h"
#include "ui/translate_hooks.h"

#include <optional>

namespace quendel {

void RegisterRuntimeClasses() {
  ui::RegisterUiClasses();
  RegisterModelClasses();
  RegisterPathClasses();
  RegisterLinkClasses();
  RegisterNetClasses();
  RegisterTranslateClasses();
  dialogs::RegisterDialogClasses();
}

namespace {
struct TClassSetUp {
  TClassSetUp() { RegisterRuntimeClasses(); }
};

platform::TPlatform& Checked(platform::TPlatform& P) {
  if (!P.Files || !P.System)
    Raise<EContextError>("A runtime needs a platform with a file system and system information");
  return P;
}
} // namespace

// The layers in the order of creation (see runtime.h); C++ destroys them in
// the reverse order. A new layer is one more line, after those it uses.
struct TRuntime::TLayers {
  explicit TLayers(platform::TPlatform& P) : Platform(Checked(P)) {}
  ~TLayers() {
    // The shared compressor may hold an archive open; close it while the
    // platform's file system is still there and before the model goes.
    Archive->FreeCompressor();
  }

  platform::TPlatform& Platform;
  TClassSetUp Classes;
  TScopedContext<TTranslateContext> Translate{Platform.System.get()};
  TScopedContext<TArchiveContext> Archive{*Platform.Files};
  TScopedContext<TModelContext> Model{Platform};
  // Its lists refer to the model's objects, so it goes first.
  TScopedContext<TLinksContext> Links;
  // Network locations download through the platform's transfer port into
  // its file system; the install objects that hold them go before it.
  TScopedContext<TNetContext> Net{Platform};
  // The form registries and the running dialog manager.
  TScopedContext<dialogs::TDialogsContext> Dialogs;
  // The widget layer, once a program or test gives it a backend; its forms
  // die first, while every context they use is still there.
  std::optional<ui::TUiContext> Ui;
  std::optional<ui::TUiScope> UiScope;
};

TRuntime::TRuntime() : TRuntime(ThisMachinePlatform()) {}

TRuntime::TRuntime(platform::TPlatform APlatform)
    : TMachineRuntime(std::move(APlatform)), FLayers(std::make_unique<TLayers>(Platform())) {
  // The widget layer tells the translator what its controls are.
  ui::AttachTranslateHooks(*FLayers->Translate);
  SetupPathSpecifiers(*FLayers->Model);
  // Compressing, extracting and downloading keep the windows alive between
  // blocks, so that they repaint and a Cancel is served.
  auto Pump = [this] {
    if (FLayers->Ui) FLayers->Ui->Application().ProcessMessages();
    else if (Platform().UI) Platform().UI->ProcessMessages();
  };
  FLayers->Archive->ProcessMessages = Pump;
  FLayers->Net->ProcessMessages = Pump;
  // The definition's main window holds the standard path specifiers.
  FLayers->Model->IsSpecifierHost = [](const TComponent& Owner) {
    return dynamic_cast<const TfrmMainMenu*>(&Owner) != nullptr;
  };
}

TRuntime::~TRuntime() = default;

TTranslateContext& TRuntime::Translate() {
  return *FLayers->Translate;
}
TArchiveContext& TRuntime::Archive() {
  return *FLayers->Archive;
}
TModelContext& TRuntime::Model() {
  return *FLayers->Model;
}
TLinksContext& TRuntime::Links() {
  return *FLayers->Links;
}
TNetContext& TRuntime::Net() {
  return *FLayers->Net;
}
dialogs::TDialogsContext& TRuntime::Dialogs() {
  return *FLayers->Dialogs;
}

ui::TUiContext& TRuntime::UseWidgets(ui::IWidgetBackend& Backend, TLayoutLookup Layouts) {
  if (FLayers->Ui) Raise<EContextError>("The runtime already has a widget backend");
  FLayers->Ui.emplace(Backend);
  FLayers->UiScope.emplace(*FLayers->Ui);
  if (Layouts) FLayers->Ui->Resources().SetLookup(std::move(Layouts));
  return *FLayers->Ui;
}

void TRuntime::EndWidgets() {
  FLayers->UiScope.reset();
  FLayers->Ui.reset();
}

} // namespace quendel
