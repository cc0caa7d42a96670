// The runtime: what it makes current, in which order it goes, and that a
// layer used without it says so instead of running on some default.

#include "runtime/runtime.h"

#include "archive/archive_context.h"
#include "core/reflection.h"
#include "model/install_container.h"
#include "support/test_runtime.h"
#include "system/os_version.h"
#include "translate/translator.h"

#include <gtest/gtest.h>

#include <string>

namespace quendel {
namespace {

TEST(ContextWithoutScope, EveryLayerFailsLoudly) {
  ASSERT_FALSE(HasCurrentModelContext());
  ASSERT_FALSE(HasArchiveContext());
  EXPECT_THROW(CurrentModelContext(), EContextError);
  EXPECT_THROW(TranslateContext(), EContextError);
  EXPECT_THROW(CurrentArchiveContext(), EQndlCompress); // the archive layer's own family
  // Objects that join a context at birth refuse to be made without one.
  EXPECT_THROW(TTranslator(nullptr), EContextError);
  EXPECT_THROW(TranslateMessage("Cancel"), EContextError);
  // A model context without a platform never reaches for the real machine.
  TModelContext Model;
  EXPECT_THROW(Model.Platform(), EContextError);
  EXPECT_THROW(Model.OSVersion(), EContextError);
}

TEST(ContextScope, NestedScopesRestoreWhatTheyReplaced) {
  TModelContext Outer, Inner;
  {
    TModelContextScope A(Outer);
    EXPECT_EQ(&CurrentModelContext(), &Outer);
    {
      TModelContextScope B(Inner);
      EXPECT_EQ(&CurrentModelContext(), &Inner);
    }
    EXPECT_EQ(&CurrentModelContext(), &Outer);
  }
  EXPECT_FALSE(HasCurrentModelContext());
}

TEST(ContextScope, TranslateScopeRestoresTheMessageHook) {
  const TTranslateHook Before =
      SetTranslateHook([](const std::string& S) { return "<" + S + ">"; });
  {
    TTranslateContext Ctx;
    TTranslateScope Scope(Ctx);
    // No main translator: messages stay English, but they pass the translator.
    EXPECT_EQ(IException("Cancel").Message(), "Cancel");
  }
  EXPECT_EQ(IException("Cancel").Message(), "<Cancel>");
  SetTranslateHook(Before);
  EXPECT_EQ(IException("Cancel").Message(), "Cancel");
}

TEST(Runtime, MakesEveryContextCurrentAndRestoresOnExit) {
  {
    test::TTestRuntime T;
    TRuntime& R = T.Runtime();
    EXPECT_EQ(&CurrentModelContext(), &R.Model());
    EXPECT_EQ(&CurrentArchiveContext(), &R.Archive());
    EXPECT_EQ(&TranslateContext(), &R.Translate());
    // Every layer works on the runtime's one platform.
    EXPECT_EQ(&R.Model().Platform(), &R.Platform());
    EXPECT_EQ(&R.Archive().Files(), R.Platform().Files.get());
    EXPECT_EQ(R.Translate().System, R.Platform().System.get());
    // The OS filter sees the machine the runtime was given.
    T.System().Record = {5, 1, 2600, platform::verPlatformWin32NT, ""};
    EXPECT_EQ(R.Model().OSVersion(), oswinXP);
    // Every class a definition may name, and the standard specifier classes.
    EXPECT_NE(ClassRegistry().Find("TTranslator"), nullptr);
    EXPECT_NE(ClassRegistry().Find("TpsContainerDestDir"), nullptr);
    EXPECT_NE(ClassRegistry().Find("TfrmMainMenu"), nullptr);
    EXPECT_FALSE(R.Model().PathSpecifierClasses.Classes().empty());
    EXPECT_TRUE(static_cast<bool>(R.Model().EnsureStandardSpecifiers));
  }
  EXPECT_FALSE(HasCurrentModelContext());
  EXPECT_FALSE(HasArchiveContext());
  EXPECT_THROW(TranslateContext(), EContextError);
}

TEST(Runtime, TranslatesErrorsOfTheLayersWhileItLives) {
  const TTranslateHook Before = SetTranslateHook(nullptr);
  {
    test::TTestRuntime T;
    T.System().LangId = 0x0407; // a German user
    TTranslator Main(nullptr);
    auto* English = dynamic_cast<TStrings*>(GetObjectProp(Main, "lgEnglish.Strings"));
    auto* German = dynamic_cast<TStrings*>(GetObjectProp(Main, "lgGerman.Strings"));
    ASSERT_NE(English, nullptr);
    ASSERT_NE(German, nullptr);
    English->SetText("7;Cannot open %s\n");
    German->SetText("7;Kann %s nicht \xF6"
                    "ffnen\n");
    EXPECT_EQ(IException("Cannot open %s", {"a.txt"}).Message(), "Kann a.txt nicht \xF6"
                                                                 "ffnen");
  }
  // The runtime's end takes its hook away again.
  EXPECT_EQ(IException("Cannot open %s", {"a.txt"}).Message(), "Cannot open a.txt");
  SetTranslateHook(Before);
}

TEST(Runtime, RefusesAPlatformWithoutFilesOrSystem) {
  platform::TPlatform Empty;
  EXPECT_THROW(TRuntime{std::move(Empty)}, EContextError);
  // Nothing of the failed runtime stays current.
  EXPECT_FALSE(HasArchiveContext());
  EXPECT_FALSE(HasCurrentModelContext());
  EXPECT_THROW(TranslateContext(), EContextError);
}

TEST(Runtime, TwoRuntimesNestAndUnwindInOrder) {
  test::TTestRuntime Outer;
  {
    test::TTestRuntime Inner;
    EXPECT_EQ(&CurrentModelContext(), &Inner.Runtime().Model());
  }
  EXPECT_EQ(&CurrentModelContext(), &Outer.Runtime().Model());
  EXPECT_EQ(&CurrentArchiveContext(), &Outer.Runtime().Archive());
  EXPECT_EQ(&TranslateContext(), &Outer.Runtime().Translate());
}

} // namespace
} // namespace quendel
