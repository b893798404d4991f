// The simulated registry: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and
// HKEY_CURRENT_CONFIG.
//
// Key and value names compare ignoring ASCII case and keep the case they
// were created with. Values keep their exact bytes and type; enumeration
// follows creation order (rewriting a value keeps its place). As on Windows,
// HKLM "SYSTEM\CurrentControlSet" is a link to "SYSTEM\ControlSet001" until
// a test cuts it.
//
// Access: a handle carries the access it was opened with (writing a value
// needs KEY_SET_VALUE, reading one KEY_QUERY_VALUE). A key can be made
// "protected": opening it for any write access, creating a sub-key in it or
// deleting it (SHDeleteKeyA, also as part of a deleted tree) gives
// ERROR_ACCESS_DENIED until "Administrators" have KEY_ALL_ACCESS, granted in
// its own access list or inherited from a key above it whose entry passes
// down to sub-containers.
//
// Paths of the seeding helpers use backslashes; empty components are
// skipped. Every call is thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/security.h"

namespace sim {

class Faults;

struct RegValue {
  uint32_t type = 0;
  std::string data;  // exact bytes

  // The data as a string without one trailing zero byte.
  std::string AsString() const;
  // The first four bytes little-endian, or nothing when shorter.
  std::optional<uint32_t> AsDword() const;
};

class SimRegistry : public platform::Registry {
 public:
  explicit SimRegistry(Faults& faults);
  ~SimRegistry() override;

  // --- platform::Registry ---
  uint32_t RegOpenKeyExA(platform::KeyHandle parent, const std::string& subKey, uint32_t access,
                         platform::KeyHandle& result) override;
  uint32_t RegCreateKeyExA(platform::KeyHandle parent, const std::string& subKey, uint32_t options,
                           uint32_t access, bool inheritHandle, platform::KeyHandle& result,
                           uint32_t* disposition) override;
  uint32_t RegSetValueExA(platform::KeyHandle key, const std::string& valueName, uint32_t type,
                          const void* data, uint32_t size) override;
  uint32_t RegQueryValueExA(platform::KeyHandle key, const std::string& valueName, uint32_t* type,
                            void* data, uint32_t* size) override;
  uint32_t RegEnumValueA(platform::KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                         uint32_t* type, void* data, uint32_t* dataSize) override;
  uint32_t RegCloseKey(platform::KeyHandle key) override;
  uint32_t SHDeleteKeyA(platform::KeyHandle key, const std::string& subKey) override;

  // --- Seeding and inspection (no access checks, no faults) ---
  // REG_SZ with the terminating zero counted, as Windows programs store it.
  void SetString(platform::KeyHandle root, const std::string& path, const std::string& name,
                 const std::string& value);
  void SetDword(platform::KeyHandle root, const std::string& path, const std::string& name,
                uint32_t value);
  void SetValue(platform::KeyHandle root, const std::string& path, const std::string& name,
                uint32_t type, const std::string& bytes);
  std::optional<RegValue> GetValue(platform::KeyHandle root, const std::string& path,
                                   const std::string& name) const;
  // Value names of a key in enumeration order (empty when the key is missing).
  std::vector<std::string> ValueNames(platform::KeyHandle root, const std::string& path) const;
  // Sub-key names in creation order, with the case they were created with.
  std::vector<std::string> SubKeyNames(platform::KeyHandle root, const std::string& path) const;
  bool KeyExists(platform::KeyHandle root, const std::string& path) const;
  void CreateKey(platform::KeyHandle root, const std::string& path);
  // Removes the key with everything below it; false when it was missing.
  bool DeleteTree(platform::KeyHandle root, const std::string& path);

  // The key's access-control entries (empty when the key is missing).
  std::vector<platform::ExplicitAccess> Acl(platform::KeyHandle root,
                                            const std::string& path) const;
  // Replaces them; false when the key is missing.
  bool SetAcl(platform::KeyHandle root, const std::string& path,
              const std::vector<platform::ExplicitAccess>& entries);
  // Creates the key when missing.
  void Protect(platform::KeyHandle root, const std::string& path, bool on = true);
  // Whether the key's list grants "Administrators" KEY_ALL_ACCESS.
  bool AdministratorsHaveFullControl(platform::KeyHandle root, const std::string& path) const;

  // Makes HKLM "SYSTEM\CurrentControlSet" a key of its own, holding a copy
  // of what it showed until now.
  void CutCurrentControlSetLink();

  // Handles given out and not yet closed (the predefined roots not counted).
  size_t OpenKeyCount() const;

  // Used by the security service: ERROR_SUCCESS or ERROR_FILE_NOT_FOUND.
  uint32_t ReadAclChecked(platform::KeyHandle root, const std::string& path,
                          std::vector<platform::ExplicitAccess>& entries) const;
  uint32_t WriteAclChecked(platform::KeyHandle root, const std::string& path,
                           const std::vector<platform::ExplicitAccess>& entries);

  struct Key;

 private:
  struct Handle {
    std::shared_ptr<Key> key;
    uint32_t access = 0;
  };

  std::shared_ptr<Key> RootKey(platform::KeyHandle root) const;
  std::shared_ptr<Key> Find(const std::shared_ptr<Key>& from, const std::string& path) const;
  std::shared_ptr<Key> FindOrCreate(const std::shared_ptr<Key>& from, const std::string& path);
  std::shared_ptr<Key> FromHandle(platform::KeyHandle handle, uint32_t* access) const;
  // Lock held. The key of an open handle that was opened with `neededAccess`,
  // or the error a value call on it gives.
  uint32_t OpenedFor(platform::KeyHandle handle, uint32_t neededAccess,
                     std::shared_ptr<Key>& key) const;
  platform::KeyHandle NewHandle(std::shared_ptr<Key> key, uint32_t access);

  Faults& faults_;
  mutable std::mutex mutex_;
  std::shared_ptr<Key> hklm_;
  std::shared_ptr<Key> hkcu_;
  std::shared_ptr<Key> hkcc_;
  std::map<platform::KeyHandle, Handle> handles_;
  platform::KeyHandle nextHandle_ = 0x1000;
};

}  // namespace sim
