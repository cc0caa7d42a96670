// Groups and directories: the two kinds of file container a definition
// declares (the third is the install root). A group bundles directories and
// files and sits under the install root or another group; a directory is a
// destination folder with its own files.
#pragma once

#include "core/persistent.h"
#include "model/file_container.h"

#include <memory>

namespace quendel {

QUENDEL_EXCEPTION(IEInstallGroup, IException);

// An icon as a definition stores it: the bytes of an .ico file, kept as they
// were read.
class TIcon : public TPicture {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
  const std::vector<std::uint8_t>& IconData() const { return FIcon; }
  std::vector<std::uint8_t> SaveToStream() const override { return FIcon; }
  void LoadFromStream(const std::vector<std::uint8_t>& Stored) override { FIcon = Stored; }
  void Assign(const TPersistent& Source) override;

private:
  std::vector<std::uint8_t> FIcon;
};

// How a group is presented in dialogs. Nothing in a run acts on these; the
// definition keeps them and they are read and written unchanged.
class TInstallGroupDialogOptions : public TPersistent {
public:
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  bool AllowChangeDir = true;
  bool AllowExcludeInclude = true;
  TStrings& Description() { return FDescription; }
  const TStrings& Description() const { return FDescription; }
  void SetDescription(const TStrings& Value) { FDescription.Assign(Value); }
  bool DisplayDirectory = true;
  TIcon& SmallIcon() { return FSmallIcon; }
  const TIcon& SmallIcon() const { return FSmallIcon; }
  void SetSmallIcon(const TIcon& Value) { FSmallIcon.Assign(Value); }
  bool ShowRegardlessOfInclude = true;

  void Assign(const TPersistent& Source) override;

private:
  TStrings FDescription;
  TIcon FSmallIcon;
};

class TCustomInstallGroup : public TFileContainer {
public:
  explicit TCustomInstallGroup(TComponent* AOwner);
  ~TCustomInstallGroup() override;

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Only the install root or another group may hold a group; no container
  // means the install root.
  void SetContainer(TInstallContainer* Value) override;
  int RegisteredType() const override { return ikGroup; }

  TInstallGroupDialogOptions& DialogOptions() { return FDialogOptions; }
  const TInstallGroupDialogOptions& DialogOptions() const { return FDialogOptions; }

private:
  TInstallGroupDialogOptions FDialogOptions;
};

class TInstallGroup : public TCustomInstallGroup {
public:
  explicit TInstallGroup(TComponent* AOwner) : TCustomInstallGroup(AOwner) {}
  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }
};

class TInstallDirectory : public TFileContainer {
public:
  // While a definition is being edited the new directory is described as
  // "Install Directory " and the number of file containers that exist.
  explicit TInstallDirectory(TComponent* AOwner);

  static const TClassInfo& StaticClass();
  const TClassInfo& ClassType() const override { return StaticClass(); }

  // Editing aid: removes and destroys the install files whose source is gone.
  virtual void RemoveMissingFiles();
};

} // namespace quendel
