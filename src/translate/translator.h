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
#include "core/reflection.h"
#include "translate/language.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quendel {

namespace platform {
class ISystemInfo;
}

class TTranslator;

// The translate layer's process-wide state. The engine's runtime owns one;
// a test makes its own and installs it with TTranslateScope.
struct TTranslateContext {
  TTranslateContext() = default;
  TTranslateContext(const TTranslateContext&) = delete;
  TTranslateContext& operator=(const TTranslateContext&) = delete;
  ~TTranslateContext(); // a main translator that outlives its context forgets it

  // The first translator created while this context was current.
  TTranslator* MainTranslator = nullptr;
  // Source of the user's language (qlUser); without one the user is English.
  const platform::ISystemInfo* System = nullptr;

  // Supplied by the widget layer. The controls a control contains (parents
  // and children, which is not ownership); without it the owned components.
  std::function<std::vector<TComponent*>(TComponent&)> ControlChildren;
  // Lays a windowed control's children out again after their texts changed.
  std::function<void(TComponent&)> RealignControl;
};

// The current context: the innermost installed by a TTranslateScope, else a
// process-wide default.
TTranslateContext& TranslateContext();

// Makes Ctx current for its lifetime and restores the previous one after.
// Also routes IException messages through TranslateMessage.
class TTranslateScope {
public:
  explicit TTranslateScope(TTranslateContext& Ctx);
  ~TTranslateScope();
  TTranslateScope(const TTranslateScope&) = delete;
  TTranslateScope& operator=(const TTranslateScope&) = delete;

private:
  TTranslateContext* FPrevious;
};

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
  std::function<void(TTranslator&)> OnChange;

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

// Registers TTranslator, TTranslateLabel and TTranslateBitBtn with
// ClassRegistry() and routes IException messages through TranslateMessage.
void RegisterTranslateClasses();

} // namespace quendel
