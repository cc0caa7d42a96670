// Interfaces through which an external reflector could drive install objects.
// The system declares them and every install object answers them, but nothing
// in the system queries them or sets a reflector.
#pragma once

#include <cstdint>
#include <string>

namespace quendel {

class TInstallContainer;
class TPersistent;

struct TGUID {
  std::uint32_t D1;
  std::uint16_t D2;
  std::uint16_t D3;
  std::uint8_t D4[8];
  friend bool operator==(const TGUID& A, const TGUID& B) {
    if (A.D1 != B.D1 || A.D2 != B.D2 || A.D3 != B.D3) return false;
    for (int i = 0; i < 8; ++i)
      if (A.D4[i] != B.D4[i]) return false;
    return true;
  }
};

inline constexpr std::int32_t hrOK = 0;
inline constexpr std::int32_t hrNoInterface = static_cast<std::int32_t>(0x80004002u);

// {E7B87540-C34D-11D3-ADEA-444553546170}
class IQndlReflector {
public:
  static constexpr TGUID IID{
      0xE7B87540, 0xC34D, 0x11D3, {0xAD, 0xEA, 0x44, 0x45, 0x53, 0x54, 0x61, 0x70}};

  // Reference counting does not govern the object's lifetime: components are
  // freed by their owner.
  virtual std::int32_t QueryInterface(const TGUID& IID, void** Obj) = 0;
  virtual std::int32_t AddRef() = 0;
  virtual std::int32_t Release() = 0;

  virtual void RemoveChild(TInstallContainer* Child) = 0;
  virtual void SetContainer(TInstallContainer* Value) = 0;
  virtual void Process() = 0;
  virtual void ContainerDestroying(TInstallContainer* Container) = 0;
  virtual int RegisteredType() = 0;
  virtual void WriteUninstallEntries(const std::string& KeyPath) = 0;
  virtual std::string GetFullDestDir() = 0;

protected:
  ~IQndlReflector() = default;
};

// {E7B87541-C34D-11D3-ADEA-444553546170}
class IQndlReflectee : public IQndlReflector {
public:
  static constexpr TGUID IID{
      0xE7B87541, 0xC34D, 0x11D3, {0xAD, 0xEA, 0x44, 0x45, 0x53, 0x54, 0x61, 0x70}};

protected:
  ~IQndlReflectee() = default;
};

// Objects an external reflector can ask to reflect themselves (file
// containers and install files). Has no identifier.
class IQndlReflectable {
public:
  virtual void Reflect() = 0;

protected:
  ~IQndlReflectable() = default;
};

// The external reflector itself: receives one object at a time.
class IQndlExternalReflector {
public:
  virtual void Receive(TPersistent* Obj) = 0;

protected:
  ~IQndlExternalReflector() = default;
};

} // namespace quendel
