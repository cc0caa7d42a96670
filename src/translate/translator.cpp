#include "translate/translator.h"

#include "core/exceptions.h"
#include "core/strings.h"
#include "platform/sysinfo.h"

#include <utility>

namespace quendel {

// --- Context -------------------------------------------------------------------

TTranslateContext::~TTranslateContext() {
  if (MainTranslator) MainTranslator->FContext = nullptr;
}

TTranslateContext::ScopeGuard::ScopeGuard(TTranslateContext&)
    : FPrevious(
          SetTranslateHook([](const std::string& English) { return TranslateMessage(English); })) {}

TTranslateContext::ScopeGuard::~ScopeGuard() {
  SetTranslateHook(std::move(FPrevious));
}

// --- What the translator treats specially -----------------------------------------
//
// The widget layer's classes lie above this layer, so the widget layer tells
// which kinds a component has (TTranslateContext::WidgetKinds), including its
// labels and buttons that take their caption by identifier.

namespace {
TWidgetKinds KindsOf(const TTranslateContext* Ctx, const TPersistent& X) {
  return Ctx && Ctx->WidgetKinds ? Ctx->WidgetKinds(X) : 0;
}

bool Is(const TTranslateContext* Ctx, const TPersistent& X, TWidgetKind Kind) {
  return (KindsOf(Ctx, X) & Kind) != 0;
}

const TPropInfo* Prop(const TPersistent& X, std::string_view Name, TPropKind Kind) {
  const TPropInfo* p = X.ClassType().FindProperty(Name);
  return p && p->Kind == Kind ? p : nullptr;
}

TStrings* ListProp(const TPersistent& X, std::string_view Name) {
  const TPropInfo* p = Prop(X, Name, TPropKind::StringList);
  return p ? dynamic_cast<TStrings*>(p->GetObj(X)) : nullptr;
}

TFont* FontOf(const TPersistent& X) {
  const TPropInfo* p = Prop(X, "Font", TPropKind::Object);
  return p ? dynamic_cast<TFont*>(p->GetObj(X)) : nullptr;
}

// A control is hidden while its texts change (labels with auto-size off, so
// they keep their bounds) and shown and laid out again afterwards, also when
// the translation fails.
class TControlUpdate {
public:
  TControlUpdate(TComponent& X, const TTranslateContext* Ctx) : FX(X), FCtx(Ctx) {
    if (!Is(Ctx, X, wkControl)) return;
    FControl = true;
    FVisible = Writable(Prop(X, "Visible", TPropKind::Boolean));
    if (FVisible) {
      FWasVisible = FVisible->GetOrd(X);
      if (!Is(Ctx, X, wkForm) && !Is(Ctx, X, wkImage)) FVisible->SetOrd(X, 0);
    }
    if (Is(Ctx, X, wkLabel)) {
      FAutoSize = Writable(Prop(X, "AutoSize", TPropKind::Boolean));
      if (FAutoSize) {
        FWasAutoSize = FAutoSize->GetOrd(X);
        FAutoSize->SetOrd(X, 0);
      }
    }
  }
  ~TControlUpdate() {
    if (!FControl) return;
    try {
      if (FAutoSize) FAutoSize->SetOrd(FX, FWasAutoSize);
      if (FVisible) FVisible->SetOrd(FX, FWasVisible);
      if (Is(FCtx, FX, wkWinControl) && FCtx && FCtx->RealignControl) FCtx->RealignControl(FX);
    } catch (...) {
      // Restoring runs while unwinding too; a failure here must not end the program.
    }
  }
  TControlUpdate(const TControlUpdate&) = delete;
  TControlUpdate& operator=(const TControlUpdate&) = delete;

private:
  static const TPropInfo* Writable(const TPropInfo* P) { return P && P->Writable() ? P : nullptr; }

  TComponent& FX;
  const TTranslateContext* FCtx;
  bool FControl = false;
  const TPropInfo* FVisible = nullptr;
  const TPropInfo* FAutoSize = nullptr;
  std::int64_t FWasVisible = 0;
  std::int64_t FWasAutoSize = 0;
};
} // namespace

// --- TTranslator ---------------------------------------------------------------

namespace {
// The ident of the I-th language (qlUser has none).
constexpr TQndlLanguage IdentAt(std::size_t I) {
  return static_cast<TQndlLanguage>(I < qlUser ? I : I + 1);
}

template <std::size_t... I>
constexpr void AddLanguages(TClassBuilder<TTranslator>& B, std::index_sequence<I...>) {
  (B.Object<&TTranslator::LanguageAt<IdentAt(I)>>(LanguageNameTable[I].PropertyName), ...);
}
} // namespace

const TClassInfo& TTranslator::StaticClass() {
  using T = TTranslator;
  return ClassTable([] {
    TClassBuilder<T> b("TTranslator", &TComponent::StaticClass);
    AddLanguages(b, std::make_index_sequence<LanguageCount>{});
    b.Enum<&T::TranslateIntoLanguage, &T::SetTranslateIntoLanguage>("TranslateIntoLanguage",
                                                                    QndlLanguageInfo, qlUser);
    return b;
  });
}

TTranslator::TTranslator(TComponent* AOwner) : TComponent(AOwner) {
  for (int i = 0; i < LanguageCount; ++i) {
    FLanguages[static_cast<std::size_t>(i)] =
        std::make_unique<TLanguage>(LanguageNames()[static_cast<std::size_t>(i)].Ident);
    FLanguageList.push_back(FLanguages[static_cast<std::size_t>(i)].get());
  }
  TTranslateContext& ctx = TranslateContext();
  if (!ctx.MainTranslator) {
    ctx.MainTranslator = this;
    FContext = &ctx;
  }
}

TTranslator::~TTranslator() {
  if (FContext && FContext->MainTranslator == this) FContext->MainTranslator = nullptr;
}

void TTranslator::SetTranslateIntoLanguage(TQndlLanguage Value) {
  FTranslateIntoLanguage = Value;
  if (OnChange) OnChange(*this);
}

TQndlLanguage TTranslator::UserLanguage() const {
  const TTranslateContext& ctx = FContext ? *FContext : TranslateContext();
  if (!ctx.System) return qlEnglish;
  return LanguageOfLangId(ctx.System->UserDefaultLangId());
}

TLanguage* TTranslator::ResolveLanguage(TQndlLanguage Ident) const {
  if (Ident == qlUser) Ident = UserLanguage();
  for (TLanguage* l : FLanguageList)
    if (l->LanguageIdent() == Ident) return l;
  return nullptr;
}

std::string TTranslator::TranslateText(const std::string& Text, TQndlLanguage Source) const {
  const TLanguage* src = ResolveLanguage(Source);
  if (!src) return Text;
  const TLanguageString* entry = src->FindText(Text);
  if (!entry) return Text;
  const TLanguage* target = TargetLanguage();
  if (!target) return Text;
  const TLanguageString* translated = target->FindString(entry->GLID);
  return translated ? translated->Text : Text;
}

std::string TTranslator::TranslateGLID(int GLID, const std::string& Text) const {
  const TLanguage* target = TargetLanguage();
  if (!target) return Text;
  const TLanguageString* translated = target->FindString(GLID);
  return translated ? translated->Text : Text;
}

std::vector<std::string> TTranslator::TranslateMemo(const std::vector<std::string>& Lines,
                                                    TQndlLanguage Source) const {
  const TLanguage* src = ResolveLanguage(Source);
  if (!src) return Lines;
  const TLanguageMemo* entry = src->FindMemo(Lines);
  if (!entry) return Lines;
  const TLanguage* target = TargetLanguage();
  if (!target) return Lines;
  const TLanguageMemo* translated = target->FindMemo(entry->GLID);
  return translated ? translated->Lines : Lines;
}

TQndlLanguage TTranslator::TranslateComponent(TComponent& X, TQndlLanguage Source) {
  const TTranslateContext* ctx = FContext ? FContext : &TranslateContext();
  {
    TControlUpdate update(X, ctx);

    const TPropInfo* glid = Prop(X, "GLID", TPropKind::Integer);
    const TPropInfo* caption = Prop(X, "Caption", TPropKind::String);
    if (Is(ctx, X, wkTranslatable) && glid && caption && caption->Writable() &&
        glid->GetOrd(X) > 0) {
      // Translated by identifier only.
      const std::string text = caption->GetStr(X);
      const std::string translated = TranslateGLID(static_cast<int>(glid->GetOrd(X)), text);
      if (translated != text) caption->SetStr(X, translated);
    } else {
      for (const TPropInfo* p : X.ClassType().Properties()) {
        if (p->Kind != TPropKind::String || !p->Writable() || SameText(p->Name, "NAME")) continue;
        const std::string text = p->GetStr(X);
        if (Trim(text).empty()) continue;
        const std::string translated = TranslateText(text, Source);
        if (translated != text) p->SetStr(X, translated);
      }
      if (Is(ctx, X, wkMemo)) {
        if (TStrings* lines = ListProp(X, "Lines")) {
          std::vector<std::string> translated = TranslateMemo(lines->Items(), Source);
          if (translated != lines->Items()) {
            TStringList copy;
            for (auto& l : translated)
              copy.Add(l);
            lines->Assign(copy);
          }
        }
      }
      TStrings* items = Is(ctx, X, wkListView)   ? ListProp(X, "Columns")
                        : Is(ctx, X, wkItemList) ? ListProp(X, "Items")
                                                 : nullptr;
      if (items)
        for (int i = 0; i < items->Count(); ++i) {
          const std::string translated = TranslateText(items->Strings(i), Source);
          if (translated != items->Strings(i)) items->Put(i, translated);
        }
    }

    std::vector<TComponent*> owned;
    for (int i = 0; i < X.ComponentCount(); ++i)
      owned.push_back(X.Components(i));
    for (TComponent* c : owned)
      if (!Is(ctx, *c, wkForm)) TranslateComponent(*c, Source);
  }
  const TLanguage* target = TargetLanguage();
  return target && target->HasTable() ? target->LanguageIdent() : Source;
}

TLanguage* TTranslator::FontLanguage() const {
  TLanguage* target = TargetLanguage();
  if (!target) return nullptr;
  return target->HasTable() ? target : ResolveLanguage(qlEnglish);
}

void TTranslator::ApplyFont(TComponent& Control) const {
  const TLanguage* lang = FontLanguage();
  if (!lang) return;
  const TTranslateContext* ctx = FContext ? FContext : &TranslateContext();
  std::vector<TComponent*> pending{&Control};
  while (!pending.empty()) {
    TComponent* c = pending.back();
    pending.pop_back();
    if (TFont* font = FontOf(*c)) ApplyLanguageFont(*font, *lang);
    if (ctx->ControlChildren) {
      for (TComponent* child : ctx->ControlChildren(*c))
        pending.push_back(child);
    } else {
      for (int i = 0; i < c->ComponentCount(); ++i)
        pending.push_back(c->Components(i));
    }
  }
}

void ApplyLanguageFont(TFont& Font, const TLanguage& Language) {
  if (Language.FontOverride())
    Font.Assign(*Language.Font());
  else
    ApplyFontRule(Font, FontRuleOf(Language.LanguageIdent()));
}

// --- Process-wide operations -------------------------------------------------------

// Sets a translator's target for one operation without telling OnChange, and
// puts it back however the operation ends.
class TTargetOverride {
public:
  TTargetOverride(TTranslator& T, TQndlLanguage Language)
      : FT(T), FSaved(T.FTranslateIntoLanguage) {
    FT.FTranslateIntoLanguage = Language;
  }
  ~TTargetOverride() { FT.FTranslateIntoLanguage = FSaved; }
  TTargetOverride(const TTargetOverride&) = delete;
  TTargetOverride& operator=(const TTargetOverride&) = delete;

private:
  TTranslator& FT;
  TQndlLanguage FSaved;
};

std::string TranslateMessage(const std::string& English) {
  const TTranslator* t = TranslateContext().MainTranslator;
  return t ? t->TranslateText(English, qlEnglish) : English;
}

TQndlLanguage TranslateForm(TComponent& Form, TQndlLanguage Current) {
  TTranslator* t = TranslateContext().MainTranslator;
  return t ? t->TranslateComponent(Form, Current) : Current;
}

TQndlLanguage TranslateFormWithLanguage(TComponent& Form, TQndlLanguage Current,
                                        TQndlLanguage Language) {
  TTranslator* t = TranslateContext().MainTranslator;
  if (!t) return Current;
  TTargetOverride target(*t, Language);
  return t->TranslateComponent(Form, Current);
}

void ApplyFont(TComponent& Control) {
  if (const TTranslator* t = TranslateContext().MainTranslator) t->ApplyFont(Control);
}

void ApplyFontWithLanguage(TComponent& Control, TQndlLanguage Language) {
  TTranslator* t = TranslateContext().MainTranslator;
  if (!t) return;
  TTargetOverride target(*t, Language);
  t->ApplyFont(Control);
}

TLanguage* ResolveLanguage(TQndlLanguage Ident) {
  const TTranslator* t = TranslateContext().MainTranslator;
  return t ? t->ResolveLanguage(Ident) : nullptr;
}

void RegisterTranslateClasses() {
  ClassRegistry().Register<TTranslator>();
}

} // namespace quendel
