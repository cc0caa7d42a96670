// The process-wide state of a program of this system in one object: the
// platform, every class a definition may name, and each layer's context,
// made current for the runtime's lifetime.
//
// The author tool (TAuthorRuntime), the setup program (TSetupRuntime, which
// adds the application object) and the tests compose one TRuntime; nothing
// else installs a context of its own. The members below are
// created in the order they are declared and destroyed in the reverse order:
//
//   1. the platform (TMachineRuntime; every later layer talks to the machine
//      through it);
//   2. the class registrations (idempotent; a definition may name any class);
//   3. the translate context (installs the message hook, so that the errors
//      of every later layer are translated, and puts the old hook back last;
//      the widget layer tells it what its controls are);
//   4. the archive context (the shared compressor works on the platform's
//      files; it is freed before the model's objects are gone);
//   5. the model context with its standard path-specifier classes;
//   6. the links context (shortcuts and link groups);
//   7. the net context (network install locations);
//   8. the dialogs context (the form registries, the running manager);
//   9. on request (UseWidgets), the widget layer's context.
//
// A layer added above the model adds its context as one more TScopedContext
// member of TRuntime::TLayers (runtime.cpp) after the layers it uses, and an
// accessor here (see docs/architecture.md). Everything made inside a runtime
// (forms, install objects) must be freed before it.
//
// The layers' headers stay out of this one: a program that includes it
// does not get every layer's names.
#pragma once

#include "core/context.h"
#include "core/event.h"
#include "platform/platform.h"
#include "runtime/machine.h"

#include <memory>
#include <optional>
#include <string>

namespace quendel {

struct TModelContext;
class TArchiveContext;
struct TTranslateContext;
struct TLinksContext;
struct TNetContext;
namespace dialogs {
struct TDialogsContext;
}
namespace ui {
class IWidgetBackend;
class TUiContext;
} // namespace ui

// Registers every class of the layers below the runtime with the class
// registry (the widget, model, path, link, net and translate classes). Safe to call
// again.
void RegisterRuntimeClasses();

// Finds the stored layout of a form class by its name (ui::TFormResources).
using TLayoutLookup = TEvent<std::optional<std::string>(const std::string& Name)>;

class TRuntime : public TMachineRuntime {
public:
  // Composes the runtime on this machine.
  TRuntime();
  // Composes the runtime on APlatform (a test's scratch machine). It needs at
  // least the file system and the system information.
  explicit TRuntime(platform::TPlatform APlatform);
  ~TRuntime();
  TRuntime(const TRuntime&) = delete;
  TRuntime& operator=(const TRuntime&) = delete;

  TTranslateContext& Translate();
  TArchiveContext& Archive();
  TModelContext& Model();
  TLinksContext& Links();
  TNetContext& Net();
  dialogs::TDialogsContext& Dialogs();
  // Gives the widget layer its backend (the Win32 windows, or a test's
  // headless one): made current until the runtime ends, and ended first.
  // From then on long loops (compressing, extracting, downloading) let its
  // windows handle their input after every block; before, the platform's
  // user-interface services do. The forms' stored layouts are those Layouts
  // finds by form class (a program's resources).
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend, TLayoutLookup Layouts);
  // The same with the layouts built into the dialog layer (the tests, the
  // author tool). In a source of its own, so that a program that brings its
  // layouts does not carry them twice.
  ui::TUiContext& UseWidgets(ui::IWidgetBackend& Backend);

protected:
  // Ends the widget layer now: a runtime built on this one ends it before
  // what it added itself, which the windows may still use.
  void EndWidgets();

private:
  struct TLayers;
  std::unique_ptr<TLayers> FLayers; // made after the platform, freed before it
};

} // namespace quendel
