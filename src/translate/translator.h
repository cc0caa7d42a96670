// The translator: one language per TQndlLanguage, and the translation of
// texts, memos, component trees and fonts into its target language.
//
// Texts are written in English. A text is translated by looking it up in the
// source language's table (English unless a form was translated before) for
// its GLID, then looking the GLID up in the target table; anything not found
// stays as it is, so empty tables leave the program in English.
//
// The first translator created in a translate context is that context's main
// translator; the process-wide operations below (TranslateMessage,
// TranslateForm, ApplyFont) use it and change nothing without one. Every
// IException message passes through TranslateMessage before it is formatted.
#pragma once

#include "core/component.h"
#include "core/context.h"
#include "core/event.h"
#include "core/exceptions.h"
#include "core/reflection.h"
#include "translate/language.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quendel {

namespace platform {
class ISystemInfo;
}

class TTranslator;

// What a component is to the translator, a set of these bits. The widget
// layer knows its classes and says so through TTranslateContext::WidgetKinds.
enum TWidgetKind : unsigned {
  wkControl = 1,       // hidden while its texts change, then shown again
  wkWinControl = 2,    // laid out again afterwards (RealignControl)
  wkForm = 4,          // never hidden; an owned form is left to its own translation
  wkImage = 8,         // never hidden
  wkLabel = 16,        // auto-size off while its texts change
  wkMemo = 32,         // its Lines are translated as one memo
  wkListView = 64,     // its Columns are translated
  wkItemList = 128,    // its Items are translated (list and combo boxes, radio groups)
  wkTranslatable = 256 // its Caption comes from its GLID
};
using TWidgetKinds = unsigned;

// The translate layer's process-wide state. The runtime owns one; a test
// makes its own and installs it with TTranslateScope.
struct TTranslateContext {
  static constexpr const char* ContextName = "translate context";

  // While a scope makes this context current, every IException message
  // passes through TranslateMessage; the scope's end puts back the hook that
  // was there before.
  class ScopeGuard {
  public:
    explicit ScopeGuard(TTranslateContext&);
    ~ScopeGuard();
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    TTranslateHook FPrevious;
  };

  TTranslateContext() = default;
  explicit TTranslateContext(const platform::ISystemInfo* ASystem) : System(ASystem) {}
  TTranslateContext(const TTranslateContext&) = delete;
  TTranslateContext& operator=(const TTranslateContext&) = delete;
  ~TTranslateContext(); // a main translator that outlives its context forgets it

  // The first translator created while this context was current.
  TTranslator* MainTranslator = nullptr;
  // Source of the user's language (qlUser); without one the user is English.
  const platform::ISystemInfo* System = nullptr;

  // Supplied by the widget layer. The controls a control contains (parents
  // and children, which is not ownership); without it the owned components.
  TEvent<std::vector<TComponent*>(TComponent&)> ControlChildren;
  // Lays a windowed control's children out again after their texts changed.
  TEvent<void(TComponent&)> RealignControl;
  // Supplied by the widget layer: the kinds of a component by its class.
  // Without it no component is a widget.
  TEvent<TWidgetKinds(const TPersistent&)> WidgetKinds;
};

// Makes a context current for its lifetime and restores the previous one
// (and the previous message hook) after.
using TTranslateScope = TContextScope<TTranslateContext>;

// The current context: the innermost installed by a TTranslateScope. Raises
// EContextError when there is none.
inline TTranslateContext& TranslateContext() {
  return TTranslateScope::Current();
}

class TTranslator : public TComponent {
public:
  explicit TTranslator(TComponent* AOwner);
  ~TTranslator() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // The languages in ident order (qlUser has none).
  const std::vector<TLanguage*>& Languages() const { return FLanguageList; }
  // The published "lgGerman" etc.: LanguageAt<qlGerman>().
  template <TQndlLanguage L> TLanguage* LanguageAt() const {
    static_assert(L >= 0 && L <= qlVietnamese && L != qlUser, "no such language");
    return FLanguages[L < qlUser ? L : L - 1].get();
  }

  TQndlLanguage TranslateIntoLanguage() const { return FTranslateIntoLanguage; }
  // Stores the target and fires OnChange.
  void SetTranslateIntoLanguage(TQndlLanguage Value);
  TEvent<void(TTranslator&)> OnChange;

  // The language qlUser stands for, from the user's default LANGID.
  TQndlLanguage UserLanguage() const;
  // qlUser resolves through UserLanguage; nullptr when no language has the ident.
  TLanguage* ResolveLanguage(TQndlLanguage Ident) const;
  TLanguage* TargetLanguage() const { return ResolveLanguage(FTranslateIntoLanguage); }

  // Text in Source -> the target's text with the same GLID; Text when either
  // lookup fails.
  std::string TranslateText(const std::string& Text, TQndlLanguage Source = qlEnglish) const;
  // The target's text for GLID, or Text.
  std::string TranslateGLID(int GLID, const std::string& Text) const;
  // Lines matching a memo of Source exactly -> the target's memo with that GLID.
  std::vector<std::string> TranslateMemo(const std::vector<std::string>& Lines,
                                         TQndlLanguage Source = qlEnglish) const;

  // Translates X and every component it owns that is not a form, from
  // Source. Returns the language the texts are in now: the target when its
  // table has lines, else Source.
  TQndlLanguage TranslateComponent(TComponent& X, TQndlLanguage Source);
  // The language whose font rule applies: the target, or English when the
  // target's table is empty; nullptr without a target.
  TLanguage* FontLanguage() const;
  // Sets the fonts of Control and every control it contains by FontLanguage.
  void ApplyFont(TComponent& Control) const;

private:
  friend struct TTranslateContext;
  friend class TTargetOverride;
  std::array<std::unique_ptr<TLanguage>, LanguageCount> FLanguages;
  std::vector<TLanguage*> FLanguageList;
  TQndlLanguage FTranslateIntoLanguage = qlUser;
  TTranslateContext* FContext = nullptr;
};

// Sets a language's font on Font: a copy of the language's Font when it
// overrides, else its font rule.
void ApplyLanguageFont(TFont& Font, const TLanguage& Language);

// The process-wide operations on the current context's main translator; each
// returns its input unchanged when there is none.
std::string TranslateMessage(const std::string& English);
// Returns the form's new current language.
TQndlLanguage TranslateForm(TComponent& Form, TQndlLanguage Current);
TQndlLanguage TranslateFormWithLanguage(TComponent& Form, TQndlLanguage Current,
                                        TQndlLanguage Language);
void ApplyFont(TComponent& Control);
void ApplyFontWithLanguage(TComponent& Control, TQndlLanguage Language);
// nullptr when there is no main translator or no such language.
TLanguage* ResolveLanguage(TQndlLanguage Ident);

// Registers TTranslator with ClassRegistry().
void RegisterTranslateClasses();

} // namespace quendel
