#include "definition/writer.h"

#include "definition/binary_codec.h"
#include "definition/fixtures.h"
#include "definition/main_form.h"
#include "definition/text_codec.h"
#include "test_classes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace quendel {
namespace {

using namespace deftest;

class WriterTest : public ::testing::Test {
protected:
  TClassRegistry Registry = [] {
    TClassRegistry r = MakeRegistry();
    r.Register<TfrmMainMenu>();
    return r;
  }();
};

// Loading the typical definition and writing the objects back gives the
// file's own text: only what differs from the defaults, in the same order.
TEST_F(WriterTest, Write_TypicalDefinitionReproducesItsText) {
  const std::string text = ReadFile("typical.txt");
  TfrmMainMenu form(nullptr);
  LoadDefinition(TextToObject(text), form, {&Registry, nullptr});
  EXPECT_EQ(ObjectToText(ComponentToObject(form)), text);
  EXPECT_EQ(WriteDefinition(form), WriteObjectBinary(TextToObject(text)));
}

TEST_F(WriterTest, Write_OnlyWhatDiffersFromTheDefaults) {
  TfrmMainMenu form(nullptr);
  form.SetName("Form1");
  auto* file = new TInstallFile(&form);
  file->SetName("F1");
  auto* group = new TInstallGroup(&form);
  group->SetName("G1");
  group->InstallTypes = {};
  group->Include = false;
  file->SetContainer(group);
  file->OverwriteMode = owVersion; // the default
  EXPECT_EQ(ObjectToText(ComponentToObject(form)),
            "object Form1: TfrmMainMenu\n"
            "  Width = 0\n" // no declared default: always stored
            "  Height = 0\n"
            "  object F1: TInstallFile\n"
            "    Container = G1\n"
            "  end\n"
            "  object G1: TInstallGroup\n"
            "    Include = False\n"
            "    InstallTypes = []\n"
            "  end\n"
            "end\n");
}

TEST_F(WriterTest, Write_EveryPropertyShapeReadsBack) {
  TfrmMainMenu form(nullptr);
  form.SetName("Form1");
  form.Caption = "A 'quoted' caption";
  auto* ps = new TpsProgramFiles(&form);
  ps->SetName("psProgramFiles");
  auto* install = new TInstall(&form);
  install->SetName("Install1");
  install->DestDirType = ps;
  install->BuildInfo.Compress = false;
  install->Information.Rating = 0.1;
  install->ReadmeText.Add("line");
  install->DiskSize = -70000;
  install->OnBeforeProcess = [](TInstallContainer*) {}; // bound by code: not stored
  auto* dlg = new TLicenseDlg(&form);
  dlg->SetName("Dlg1");
  std::vector<std::uint8_t> bmp(30, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  dlg->ThemeBitmap.SetBitmap(bmp);
  auto* file = new TInstallFile(&form);
  file->SetName("F1");
  file->UniqueID = 7;
  file->DesignLeft = 5;

  const TObjectRecord rec = ComponentToObject(form);
  TfrmMainMenu back(nullptr);
  LoadDefinition(ReadObjectBinary(WriteObjectBinary(rec)), back, {&Registry, nullptr});
  EXPECT_EQ(back.Caption, form.Caption);
  auto& install2 = dynamic_cast<TInstall&>(*back.FindComponent("Install1"));
  EXPECT_EQ(install2.DestDirType, back.FindComponent("psProgramFiles"));
  EXPECT_FALSE(install2.BuildInfo.Compress);
  EXPECT_EQ(install2.Information.Rating, 0.1);
  EXPECT_EQ(install2.ReadmeText.Items(), install->ReadmeText.Items());
  EXPECT_EQ(install2.DiskSize, -70000);
  EXPECT_FALSE(install2.OnBeforeProcess);
  EXPECT_EQ(dynamic_cast<TLicenseDlg&>(*back.FindComponent("Dlg1")).ThemeBitmap.Data(), bmp);
  auto& file2 = dynamic_cast<TInstallFile&>(*back.FindComponent("F1"));
  EXPECT_EQ(file2.UniqueID, 7);
  EXPECT_EQ(file2.DesignLeft, 5);
  EXPECT_EQ(ComponentToObject(back), rec);
}

TEST_F(WriterTest, Write_ParentedComponentsNestInTheirParent) {
  TfrmMainMenu form(nullptr);
  form.SetName("Form1");
  auto* outer = new TPanel(&form);
  outer->SetName("Outer");
  auto* inner = new TPanel(&form);
  inner->SetName("Inner");
  inner->Parent = outer;
  auto* orphan = new TPanel(&form);
  orphan->SetName("Orphan");
  orphan->Parent = &form;
  const TObjectRecord rec = ComponentToObject(form);
  ASSERT_EQ(rec.Children.size(), 2u);
  EXPECT_EQ(rec.Children[0].Name, "Outer");
  ASSERT_EQ(rec.Children[0].Children.size(), 1u);
  EXPECT_EQ(rec.Children[0].Children[0].Name, "Inner");
  EXPECT_EQ(rec.Children[1].Name, "Orphan");

  outer->Parent = inner; // a cycle would lose both
  EXPECT_THROW(ComponentToObject(form), EWriteError);
}

TEST_F(WriterTest, Write_RefusesWhatCannotBeStored) {
  TfrmMainMenu form(nullptr);
  auto* install = new TInstall(&form);
  install->SetName("Install1");
  TpsProgramFiles unnamed(nullptr);
  install->DestDirType = &unnamed;
  EXPECT_THROW(ComponentToObject(form), EWriteError);
  install->DestDirType = nullptr;
  install->DesignTop = 0;
  EXPECT_NO_THROW(ComponentToObject(form));
}

} // namespace
} // namespace quendel
