#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/faults.h"
#include "platform/sim/names.h"
#include "platform/win_constants.h"

namespace sim {

namespace {

constexpr uint32_t kErrorKeyDeleted = 1018;
constexpr uint32_t kContainerInherit = 0x2;  // part of SUB_CONTAINERS_AND_OBJECTS_INHERIT
// Access bits that change a key or its security.
constexpr uint32_t kWriteBits = win::KEY_SET_VALUE | win::KEY_CREATE_SUB_KEY | 0x0020 /*LINK*/ |
                                0x00010000 /*DELETE*/ | 0x00040000 /*WRITE_DAC*/ |
                                0x00080000 /*WRITE_OWNER*/;

}  // namespace

struct SimRegistry::Key {
  std::string name;
  std::vector<std::pair<std::string, RegValue>> values;  // creation order
  std::vector<std::shared_ptr<Key>> children;            // creation order
  // Set on a link: every look-up through this entry lands on the target.
  std::shared_ptr<Key> linkTarget;
  std::vector<platform::ExplicitAccess> acl;
  bool isProtected = false;
  bool deleted = false;

  // Follows a link entry to the key it stands for.
  static std::shared_ptr<Key> Follow(std::shared_ptr<Key> key) {
    while (key && key->linkTarget) key = key->linkTarget;
    return key;
  }
  std::shared_ptr<Key> Child(const std::string& childName) const {
    for (const auto& child : children) {
      if (SameName(child->name, childName)) return child;
    }
    return nullptr;
  }
  RegValue* Value(const std::string& valueName) {
    for (auto& [n, v] : values) {
      if (SameName(n, valueName)) return &v;
    }
    return nullptr;
  }
  std::weak_ptr<Key> parent;  // the key that holds it (none for a root)

  // Whether this key's own list grants the group full control; with
  // `inheritedOnly`, only an entry that passes down to sub-keys counts.
  bool OwnAdminsFull(bool inheritedOnly) const {
    for (const auto& e : acl) {
      const bool administrators = e.trusteeSid.empty()
                                      ? SameName(e.trusteeName, "Administrators")
                                      : e.trusteeSid == platform::kSidAdministrators;
      if (administrators && (e.mode == win::SET_ACCESS || e.mode == win::GRANT_ACCESS) &&
          (e.permissions & win::KEY_ALL_ACCESS) == win::KEY_ALL_ACCESS &&
          (!inheritedOnly || (e.inheritance & kContainerInherit) != 0)) {
        return true;
      }
    }
    return false;
  }
  // Full control for the group, granted on the key itself or inherited
  // from a key above it (an entry marked to pass down to sub-containers).
  bool AdminsFull() const {
    if (OwnAdminsFull(false)) return true;
    for (auto up = parent.lock(); up; up = up->parent.lock()) {
      if (up->OwnAdminsFull(true)) return true;
    }
    return false;
  }
  // Whether the key and everything below it may be deleted.
  uint32_t AdmitDeletion() const {
    if (uint32_t error = Admit(0x00010000 /*DELETE*/)) return error;
    for (const auto& child : children) {
      if (child->linkTarget) continue;
      if (uint32_t error = child->AdmitDeletion()) return error;
    }
    return win::ERROR_SUCCESS;
  }
  // Whether an open with `access` is allowed.
  uint32_t Admit(uint32_t access) const {
    if (isProtected && (access & kWriteBits) != 0 && !AdminsFull()) return win::ERROR_ACCESS_DENIED;
    return win::ERROR_SUCCESS;
  }
  void MarkDeleted() {
    deleted = true;
    for (auto& child : children) {
      if (!child->linkTarget) child->MarkDeleted();
    }
  }
  std::shared_ptr<Key> DeepCopy() const {
    auto copy = std::make_shared<Key>();
    copy->name = name;
    copy->values = values;
    copy->acl = acl;
    copy->isProtected = isProtected;
    for (const auto& child : children) {
      auto childCopy = child->linkTarget ? child : child->DeepCopy();
      if (!child->linkTarget) childCopy->parent = copy;
      copy->children.push_back(childCopy);
    }
    return copy;
  }
};

std::string RegValue::AsString() const {
  if (!data.empty() && data.back() == '\0') return data.substr(0, data.size() - 1);
  return data;
}

std::optional<uint32_t> RegValue::AsDword() const {
  if (data.size() < 4) return std::nullopt;
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[static_cast<size_t>(i)]);
  return v;
}

SimRegistry::SimRegistry(Faults& faults)
    : faults_(faults),
      hklm_(std::make_shared<Key>()),
      hkcu_(std::make_shared<Key>()),
      hkcc_(std::make_shared<Key>()) {
  hklm_->name = "HKEY_LOCAL_MACHINE";
  hkcu_->name = "HKEY_CURRENT_USER";
  hkcc_->name = "HKEY_CURRENT_CONFIG";
  auto system = FindOrCreate(hklm_, "SYSTEM");
  auto controlSet = FindOrCreate(system, "ControlSet001");
  auto link = std::make_shared<Key>();
  link->name = "CurrentControlSet";
  link->parent = system;
  link->linkTarget = controlSet;
  system->children.push_back(link);
}

SimRegistry::~SimRegistry() = default;

std::shared_ptr<SimRegistry::Key> SimRegistry::RootKey(platform::KeyHandle root) const {
  switch (root) {
    case platform::kHkeyLocalMachine:
      return hklm_;
    case platform::kHkeyCurrentUser:
      return hkcu_;
    case platform::kHkeyCurrentConfig:
      return hkcc_;
    default:
      return nullptr;
  }
}

std::shared_ptr<SimRegistry::Key> SimRegistry::Find(const std::shared_ptr<Key>& from,
                                                    const std::string& path) const {
  std::shared_ptr<Key> key = Key::Follow(from);
  for (const auto& part : SplitPath(path, "\\")) {
    if (!key) return nullptr;
    key = Key::Follow(key->Child(part));
  }
  return key;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::FindOrCreate(const std::shared_ptr<Key>& from,
                                                            const std::string& path) {
  std::shared_ptr<Key> key = Key::Follow(from);
  for (const auto& part : SplitPath(path, "\\")) {
    auto child = Key::Follow(key->Child(part));
    if (!child) {
      child = std::make_shared<Key>();
      child->name = part;
      child->parent = key;
      key->children.push_back(child);
    }
    key = child;
  }
  return key;
}

uint32_t SimRegistry::OpenedFor(platform::KeyHandle handle, uint32_t neededAccess,
                                std::shared_ptr<Key>& key) const {
  uint32_t access = 0;
  key = FromHandle(handle, &access);
  if (!key) return win::ERROR_INVALID_HANDLE;
  if (key->deleted) return kErrorKeyDeleted;
  if ((access & neededAccess) == 0) return win::ERROR_ACCESS_DENIED;
  return win::ERROR_SUCCESS;
}

std::shared_ptr<SimRegistry::Key> SimRegistry::FromHandle(platform::KeyHandle handle,
                                                          uint32_t* access) const {
  if (auto root = RootKey(handle)) {
    if (access) *access = win::KEY_ALL_ACCESS;
    return Key::Follow(root);
  }
  auto it = handles_.find(handle);
  if (it == handles_.end()) return nullptr;
  if (access) *access = it->second.access;
  return it->second.key;
}

platform::KeyHandle SimRegistry::NewHandle(std::shared_ptr<Key> key, uint32_t access) {
  const platform::KeyHandle handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{std::move(key), access};
  return handle;
}

uint32_t SimRegistry::RegOpenKeyExA(platform::KeyHandle parent, const std::string& subKey,
                                    uint32_t access, platform::KeyHandle& result) {
  if (auto fault = faults_.Check("RegOpenKeyExA")) return *fault;
  std::lock_guard lock(mutex_);
  auto base = FromHandle(parent, nullptr);
  if (!base) return win::ERROR_INVALID_HANDLE;
  if (base->deleted) return kErrorKeyDeleted;
  auto key = Find(base, subKey);
  if (!key) return win::ERROR_FILE_NOT_FOUND;
  if (uint32_t denied = key->Admit(access)) return denied;
  result = NewHandle(key, access);
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::RegCreateKeyExA(platform::KeyHandle parent, const std::string& subKey,
                                      uint32_t /*options*/, uint32_t access, bool /*inheritHandle*/,
                                      platform::KeyHandle& result, uint32_t* disposition) {
  if (auto fault = faults_.Check("RegCreateKeyExA")) return *fault;
  std::lock_guard lock(mutex_);
  uint32_t parentAccess = 0;
  auto key = FromHandle(parent, &parentAccess);
  if (!key) return win::ERROR_INVALID_HANDLE;
  if (key->deleted) return kErrorKeyDeleted;
  bool created = false;
  for (const auto& part : SplitPath(subKey, "\\")) {
    auto child = Key::Follow(key->Child(part));
    if (!child) {
      // Adding a sub-key is a write to the parent.
      if (uint32_t denied = key->Admit(win::KEY_CREATE_SUB_KEY)) return denied;
      if (!created && (parentAccess & win::KEY_CREATE_SUB_KEY) == 0) {
        return win::ERROR_ACCESS_DENIED;
      }
      child = std::make_shared<Key>();
      child->name = part;
      child->parent = key;
      key->children.push_back(child);
      created = true;
    }
    key = child;
  }
  if (uint32_t denied = key->Admit(access)) return denied;
  result = NewHandle(key, access);
  if (disposition) *disposition = created ? win::REG_CREATED_NEW_KEY : win::REG_OPENED_EXISTING_KEY;
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::RegSetValueExA(platform::KeyHandle handle, const std::string& valueName,
                                     uint32_t type, const void* data, uint32_t size) {
  if (auto fault = faults_.Check("RegSetValueExA")) return *fault;
  std::lock_guard lock(mutex_);
  std::shared_ptr<Key> key;
  if (uint32_t error = OpenedFor(handle, win::KEY_SET_VALUE, key)) return error;
  if (data == nullptr && size != 0) return 998;  // ERROR_NOACCESS
  std::string bytes(static_cast<const char*>(data), static_cast<const char*>(data) + size);
  if (RegValue* existing = key->Value(valueName)) {
    *existing = RegValue{type, bytes};
  } else {
    key->values.emplace_back(valueName, RegValue{type, bytes});
  }
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::RegQueryValueExA(platform::KeyHandle handle, const std::string& valueName,
                                       uint32_t* type, void* data, uint32_t* size) {
  if (auto fault = faults_.Check("RegQueryValueExA")) return *fault;
  std::lock_guard lock(mutex_);
  std::shared_ptr<Key> key;
  if (uint32_t error = OpenedFor(handle, win::KEY_QUERY_VALUE, key)) return error;
  if (data != nullptr && size == nullptr) return win::ERROR_INVALID_PARAMETER;
  const RegValue* value = key->Value(valueName);
  if (!value) return win::ERROR_FILE_NOT_FOUND;
  const auto needed = static_cast<uint32_t>(value->data.size());
  if (type) *type = value->type;
  if (data == nullptr) {
    if (size) *size = needed;
    return win::ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return win::ERROR_MORE_DATA;
  }
  std::memcpy(data, value->data.data(), needed);
  *size = needed;
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::RegEnumValueA(platform::KeyHandle handle, uint32_t index, char* name,
                                    uint32_t* nameSize, uint32_t* type, void* data,
                                    uint32_t* dataSize) {
  if (auto fault = faults_.Check("RegEnumValueA")) return *fault;
  std::lock_guard lock(mutex_);
  std::shared_ptr<Key> key;
  if (uint32_t error = OpenedFor(handle, win::KEY_QUERY_VALUE, key)) return error;
  if (name == nullptr || nameSize == nullptr) return win::ERROR_INVALID_PARAMETER;
  if (data != nullptr && dataSize == nullptr) return win::ERROR_INVALID_PARAMETER;
  if (index >= key->values.size()) return win::ERROR_NO_MORE_ITEMS;
  const auto& [valueName, value] = key->values[index];
  // The name must fit with its terminating zero; the size given back
  // excludes the zero.
  if (valueName.size() >= *nameSize) return win::ERROR_MORE_DATA;
  std::memcpy(name, valueName.c_str(), valueName.size() + 1);
  *nameSize = static_cast<uint32_t>(valueName.size());
  if (type) *type = value.type;
  const auto needed = static_cast<uint32_t>(value.data.size());
  if (data != nullptr) {
    if (*dataSize < needed) {
      *dataSize = needed;
      return win::ERROR_MORE_DATA;
    }
    std::memcpy(data, value.data.data(), needed);
  }
  if (dataSize) *dataSize = needed;
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::RegCloseKey(platform::KeyHandle handle) {
  // A close that fails still frees the handle: the caller cannot use it
  // again, and nothing can close it later.
  bool known = true;
  {
    std::lock_guard lock(mutex_);
    if (!RootKey(handle)) known = handles_.erase(handle) != 0;
  }
  if (auto fault = faults_.Check("RegCloseKey")) return *fault;
  return known ? win::ERROR_SUCCESS : win::ERROR_INVALID_HANDLE;
}

uint32_t SimRegistry::SHDeleteKeyA(platform::KeyHandle handle, const std::string& subKey) {
  if (auto fault = faults_.Check("SHDeleteKeyA")) return *fault;
  std::lock_guard lock(mutex_);
  auto base = FromHandle(handle, nullptr);
  if (!base) return win::ERROR_INVALID_HANDLE;
  if (base->deleted) return kErrorKeyDeleted;
  const auto parts = SplitPath(subKey, "\\");
  if (parts.empty()) {
    // No sub-key: the key behind the handle goes itself, with everything in
    // it. A root cannot go, so it is emptied.
    if (uint32_t error = base->AdmitDeletion()) return error;
    for (const auto& root : {hklm_, hkcu_, hkcc_}) {
      if (base == root) {
        for (auto& child : root->children) {
          if (!child->linkTarget) child->MarkDeleted();
        }
        root->children.clear();
        root->values.clear();
        return win::ERROR_SUCCESS;
      }
    }
    // Find the parent that holds it (through any path).
    std::vector<std::shared_ptr<Key>> stack{hklm_, hkcu_, hkcc_};
    while (!stack.empty()) {
      auto k = stack.back();
      stack.pop_back();
      for (auto it = k->children.begin(); it != k->children.end(); ++it) {
        if (*it == base) {
          base->MarkDeleted();
          k->children.erase(it);
          return win::ERROR_SUCCESS;
        }
        if (!(*it)->linkTarget) stack.push_back(*it);
      }
    }
    return win::ERROR_FILE_NOT_FOUND;
  }
  std::shared_ptr<Key> parent = base;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = Key::Follow(parent->Child(parts[i]));
    if (!parent) return win::ERROR_FILE_NOT_FOUND;
  }
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if (!SameName((*it)->name, parts.back())) continue;
    auto target = Key::Follow(*it);
    if (uint32_t error = target->AdmitDeletion()) return error;
    if ((*it)->linkTarget == nullptr) target->MarkDeleted();
    parent->children.erase(it);
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_FILE_NOT_FOUND;
}

// --- Seeding and inspection ---

void SimRegistry::SetString(platform::KeyHandle root, const std::string& path,
                            const std::string& name, const std::string& value) {
  SetValue(root, path, name, win::REG_SZ, value + std::string(1, '\0'));
}

void SimRegistry::SetDword(platform::KeyHandle root, const std::string& path,
                           const std::string& name, uint32_t value) {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  SetValue(root, path, name, win::REG_DWORD, bytes);
}

void SimRegistry::SetValue(platform::KeyHandle root, const std::string& path,
                           const std::string& name, uint32_t type, const std::string& bytes) {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  if (!base) return;
  auto key = FindOrCreate(base, path);
  if (RegValue* existing = key->Value(name)) {
    *existing = RegValue{type, bytes};
  } else {
    key->values.emplace_back(name, RegValue{type, bytes});
  }
}

std::optional<RegValue> SimRegistry::GetValue(platform::KeyHandle root, const std::string& path,
                                              const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (!key) return std::nullopt;
  if (const RegValue* v = key->Value(name)) return *v;
  return std::nullopt;
}

std::vector<std::string> SimRegistry::ValueNames(platform::KeyHandle root,
                                                 const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (key) {
    for (const auto& [n, v] : key->values) names.push_back(n);
  }
  return names;
}

std::vector<std::string> SimRegistry::SubKeyNames(platform::KeyHandle root,
                                                  const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> names;
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (key) {
    for (const auto& child : key->children) names.push_back(child->name);
  }
  return names;
}

bool SimRegistry::KeyExists(platform::KeyHandle root, const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  return base && Find(base, path) != nullptr;
}

void SimRegistry::CreateKey(platform::KeyHandle root, const std::string& path) {
  std::lock_guard lock(mutex_);
  if (auto base = RootKey(root)) FindOrCreate(base, path);
}

bool SimRegistry::DeleteTree(platform::KeyHandle root, const std::string& path) {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  const auto parts = SplitPath(path, "\\");
  if (!base || parts.empty()) return false;
  std::shared_ptr<Key> parent = base;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = Key::Follow(parent->Child(parts[i]));
    if (!parent) return false;
  }
  for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
    if (!SameName((*it)->name, parts.back())) continue;
    if (!(*it)->linkTarget) (*it)->MarkDeleted();
    parent->children.erase(it);
    return true;
  }
  return false;
}

std::vector<platform::ExplicitAccess> SimRegistry::Acl(platform::KeyHandle root,
                                                       const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  return key ? key->acl : std::vector<platform::ExplicitAccess>{};
}

bool SimRegistry::SetAcl(platform::KeyHandle root, const std::string& path,
                         const std::vector<platform::ExplicitAccess>& entries) {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (!key) return false;
  key->acl = entries;
  return true;
}

void SimRegistry::Protect(platform::KeyHandle root, const std::string& path, bool on) {
  std::lock_guard lock(mutex_);
  if (auto base = RootKey(root)) FindOrCreate(base, path)->isProtected = on;
}

bool SimRegistry::AdministratorsHaveFullControl(platform::KeyHandle root,
                                                const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  return key && key->AdminsFull();
}

void SimRegistry::CutCurrentControlSetLink() {
  std::lock_guard lock(mutex_);
  auto system = Find(hklm_, "SYSTEM");
  if (!system) return;
  for (auto& child : system->children) {
    if (SameName(child->name, "CurrentControlSet") && child->linkTarget) {
      auto copy = child->linkTarget->DeepCopy();
      copy->name = child->name;
      copy->parent = system;
      child = copy;
      return;
    }
  }
}

size_t SimRegistry::OpenKeyCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

uint32_t SimRegistry::ReadAclChecked(platform::KeyHandle root, const std::string& path,
                                     std::vector<platform::ExplicitAccess>& entries) const {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (!key) return win::ERROR_FILE_NOT_FOUND;
  entries = key->acl;
  return win::ERROR_SUCCESS;
}

uint32_t SimRegistry::WriteAclChecked(platform::KeyHandle root, const std::string& path,
                                      const std::vector<platform::ExplicitAccess>& entries) {
  std::lock_guard lock(mutex_);
  auto base = RootKey(root);
  auto key = base ? Find(base, path) : nullptr;
  if (!key) return win::ERROR_FILE_NOT_FOUND;
  key->acl = entries;
  return win::ERROR_SUCCESS;
}

}  // namespace sim
