#include "model/model_test_support.h"

namespace quendel::test {

const TClassInfo& TProbe::StaticClass() {
  using T = TProbe;
  return ClassTable([] {
    TClassBuilder<T> B("TProbe", &TInstallObject::StaticClass);
    TInstallProps<T>::Container(B);
    TInstallProps<T>::Include(B);
    TInstallProps<T>::InstallTypes(B);
    TInstallProps<T>::OS(B);
    TInstallProps<T>::OnBeforeProcess(B);
    return B;
  });
}

void TProbe::HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) {
  if (!Log) return;
  std::string Entry = Name() + " got " + std::to_string(Code) + " from " + Sender->Name();
  if (auto* M = dynamic_cast<TMessageParameter*>(Param)) Entry += " \"" + M->Message + "\"";
  Log->push_back(Entry);
}

void TProbe::DoInstall() {
  if (Log) Log->push_back("install " + Name());
  TInstallObject::DoInstall();
}

void TProbe::WriteUninstallEntries(const std::string& KeyPath) {
  if (Log) Log->push_back("uninstall " + Name() + " " + KeyPath);
}

const TClassInfo& TProbeGroup::StaticClass() {
  return ClassTable([] { return TClassBuilder<TProbeGroup>("TProbeGroup", &TProbe::StaticClass); });
}

TProbeRoot::TProbeRoot(TComponent* AOwner, TLog* ALog) : TProbe(AOwner, 1000, ALog) {
  SetName("Install1");
  Context().InstallRoot = this;
}

TProbeRoot::~TProbeRoot() {
  if (Context().InstallRoot == this) Context().InstallRoot = nullptr;
}

} // namespace quendel::test
