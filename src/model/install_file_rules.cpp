#include "model/install_file_rules.h"

#include "core/byte_order.h"
#include "core/format.h"
#include "core/strings.h"
#include "system/version_data.h"
#include "system/version_resource.h"


namespace quendel {

platform::TFileAttributes WindowsAttributesOf(TQndlFileAttributesSet Attributes) {
  static constexpr platform::TFileAttributes Bits[] = {
      0x20, 0 /* compressed: not applied */, 0x10, 0x2, 0x80, 0x1000, 0x1, 0x4, 0x100};
  platform::TFileAttributes Result = 0;
  for (int A = qfaArchive; A <= qfaTemporary; ++A)
    if (Attributes.Contains(static_cast<TQndlFileAttributes>(A))) Result |= Bits[A];
  return Result;
}

TOverwriteOutcome DecideOverwrite(platform::IFileSystem& Files, const std::string& StoredVersion,
                                  TDateTime StoredDate, const std::string& Target,
                                  TOverwriteType Mode) {
  if (Mode == owAlways || !Files.FileExists(Target)) return TOverwriteOutcome::Write;
  switch (IsFileNewer(Files, StoredVersion, Target, Mode, StoredDate)) {
  case odError:
  case odReplace:
    return TOverwriteOutcome::Write;
  case odAsk:
    return TOverwriteOutcome::Ask;
  case odEqual:
  case odKeep:
    break;
  }
  return TOverwriteOutcome::Skip;
}

bool LogsForUninstall(bool ExistedBefore, bool WillCopy, bool UpdateDLLCounter) {
  return !ExistedBefore || WillCopy || UpdateDLLCounter;
}

bool HasOLESelfRegister(platform::IFileSystem* Files, const std::string& Source) {
  const auto Data = LoadVersionData(Files, Source);
  if (!Data) return false;
  const auto Translation = Data->Query("\\VarFileInfo\\Translation");
  if (!Translation || Translation->size() < 4) return false;
  const unsigned Language = GetLE<std::uint16_t>(AsBytes(*Translation), 0);
  const unsigned CodePage = GetLE<std::uint16_t>(AsBytes(*Translation), 2);
  // "\StringFileInfo\040904E4\OLESelfRegister"
  return Data->Query(Format("\\StringFileInfo\\%.4X%.4X\\OLESelfRegister", {Language, CodePage}))
      .has_value();
}

TInstallFileSettings DeriveSettings(const TInstallFileSettings& Current,
                                    const TInstallFileSettings& Next, bool ReadOnlySource,
                                    bool OLESelfRegister) {
  TInstallFileSettings R = Next;
  const bool FileNameChanged = Next.FileName != Current.FileName;
  const bool SourceChanged = FileNameChanged || Next.IncludeFromDir != Current.IncludeFromDir;
  const std::string Ext = UpperCase(ExtractFileExt(Next.FileName));
  if (FileNameChanged && !Trim(Next.FileName).empty()) {
    R.DestName = Next.FileName;
    R.InstallAttributes =
        ReadOnlySource ? TQndlFileAttributesSet{qfaReadOnly} : TQndlFileAttributesSet{};
  }
  if (SourceChanged) {
    R.RegisterAsHelp = Ext == ".HLP" || Ext == ".CNT";
    R.ActiveX = Ext == ".TLB" || Ext == ".OCX" || OLESelfRegister;
  }
  if (R.ActiveX && !Current.ActiveX) R.FileType = iftSystemWideDLL;
  if (Next.DestDirTypeClass != Current.DestDirTypeClass && Ext.size() == 4 &&
      std::string(".DLL,.OCX,.BLL,.EXE").find(Ext) != std::string::npos) {
    if (Next.DestDirTypeClass == "TpsWindow" || Next.DestDirTypeClass == "TpsBDEDLL")
      R.OverwriteMode = owVersionDate;
    else if (Next.DestDirTypeClass == "TpsSystem")
      R.FileType = iftSystemWideDLL;
  }
  if (R.FileType != Current.FileType) {
    switch (R.FileType) {
    case iftJustADLL:
    case iftApplicationSpecificDLL:
      R.OverwriteMode = owVersionDate;
      break;
    case iftVendorSharedDLL:
    case iftSystemWideDLL:
      R.UpdateDLLCounter = true;
      R.OverwriteMode = owVersionDate;
      break;
    case iftNormal:
      break;
    }
  }
  switch (R.FileType) {
  case iftApplicationSpecificDLL:
    R.DestDir = "\\System";
    R.DestDirTypeClass = "TpsMainInstall";
    break;
  case iftVendorSharedDLL:
    R.DestDir = "\\System";
    R.DestDirTypeClass = "TpsCommonFiles";
    break;
  case iftSystemWideDLL:
    R.DestDir.clear();
    R.DestDirTypeClass = "TpsSystem";
    break;
  default:
    break;
  }
  return R;
}

} // namespace quendel
