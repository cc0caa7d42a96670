// The windows that keep the user informed while the run works: the copy
// progress form (current file, file and total progress, Cancel), shown by the
// during-copy manager from the first status event of a copy phase until the
// copy-finished event, and the small status box that shows the message of
// the current phase and restores the outer message when a nested one ends.
#pragma once

#include "dialogs/dialog_forms.h"

#include <string>
#include <vector>

namespace quendel::dialogs {

class TCopyFileForm : public TBaseDuringCopyForm {
public:
  explicit TCopyFileForm(TComponent* AOwner);
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  void UpdateStatus(TFileStatusParameter* FileStatus,
                    TDownloadStatusParameter* DownloadStatus) override;
  void AfterConstruction() override;

private:
  template <class T> T* Part(const char* Name) const;
  bool FPainted = false;
};

// Configures the copy form: its placement, language settings and manager.
class TCopyFileDlg : public TCustomBaseInstallDlg {
public:
  explicit TCopyFileDlg(TComponent* AOwner);
  ~TCopyFileDlg() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override;
};

// The status box: no border, centred, as wide as its message.
class TInstallStatusForm : public ui::TForm {
public:
  explicit TInstallStatusForm(TComponent* AOwner) : ui::TForm(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

// Shows the status messages the run pushes (-974) and pops (-973). It
// belongs to no manager and reacts whatever its settings.
class TInstallStatusDlg : public TCustomBaseInstallDlg {
public:
  explicit TInstallStatusDlg(TComponent* AOwner);
  ~TInstallStatusDlg() override;
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const TClassInfo& GetFormClass() const override;

  void HandleEvent(TComponent* Sender, int Code, TEventParameter* Param) override;
  // Every message is set in English before it is translated, so the form's
  // language goes back to English after each translation.
  void Translate() override;

  const std::string& CurrentMessage() const { return FMessage; }
  const std::vector<std::string>& Messages() const { return FStack; }
  // The status box, once the first message made it.
  TInstallStatusForm* StatusForm() const { return FForm; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void ShowMessage();
  void HideForm();

  std::string FMessage;
  std::vector<std::string> FStack;
  TInstallStatusForm* FForm = nullptr;
};

// Registers the classes of this module with ClassRegistry().
void RegisterProgressPages();

} // namespace quendel::dialogs
