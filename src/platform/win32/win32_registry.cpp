#include "platform/win32/win32_backends.h"

namespace platform::win32 {

namespace {
HKEY ToKey(KeyHandle key) { return reinterpret_cast<HKEY>(key); }
KeyHandle FromKey(HKEY key) { return reinterpret_cast<KeyHandle>(key); }
}  // namespace

uint32_t Win32Registry::RegOpenKeyExA(KeyHandle parent, const std::string& subKey, uint32_t access,
                                      KeyHandle& result) {
  HKEY key = nullptr;
  LSTATUS status = ::RegOpenKeyExA(ToKey(parent), subKey.c_str(), 0, access, &key);
  result = status == ERROR_SUCCESS ? FromKey(key) : 0;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::RegCreateKeyExA(KeyHandle parent, const std::string& subKey,
                                        uint32_t options, uint32_t access, bool inheritHandle,
                                        KeyHandle& result, uint32_t* disposition) {
  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, inheritHandle};
  HKEY key = nullptr;
  DWORD created = 0;
  LSTATUS status = ::RegCreateKeyExA(ToKey(parent), subKey.c_str(), 0, nullptr, options, access,
                                     &attributes, &key, &created);
  result = status == ERROR_SUCCESS ? FromKey(key) : 0;
  if (disposition != nullptr && status == ERROR_SUCCESS) *disposition = created;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::RegSetValueExA(KeyHandle key, const std::string& valueName, uint32_t type,
                                       const void* data, uint32_t size) {
  return static_cast<uint32_t>(::RegSetValueExA(ToKey(key), valueName.c_str(), 0, type,
                                                static_cast<const BYTE*>(data), size));
}

uint32_t Win32Registry::RegQueryValueExA(KeyHandle key, const std::string& valueName,
                                         uint32_t* type, void* data, uint32_t* size) {
  DWORD valueType = 0;
  DWORD dataSize = size != nullptr ? *size : 0;
  LSTATUS status =
      ::RegQueryValueExA(ToKey(key), valueName.c_str(), nullptr, type ? &valueType : nullptr,
                         static_cast<BYTE*>(data), size ? &dataSize : nullptr);
  if (type != nullptr) *type = valueType;
  if (size != nullptr) *size = dataSize;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::RegEnumValueA(KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                                      uint32_t* type, void* data, uint32_t* dataSize) {
  DWORD nameLength = nameSize != nullptr ? *nameSize : 0;
  DWORD valueType = 0;
  DWORD valueSize = dataSize != nullptr ? *dataSize : 0;
  LSTATUS status =
      ::RegEnumValueA(ToKey(key), index, name, &nameLength, nullptr, type ? &valueType : nullptr,
                      static_cast<BYTE*>(data), dataSize ? &valueSize : nullptr);
  if (nameSize != nullptr) *nameSize = nameLength;
  if (type != nullptr) *type = valueType;
  if (dataSize != nullptr) *dataSize = valueSize;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Registry::RegCloseKey(KeyHandle key) {
  return static_cast<uint32_t>(::RegCloseKey(ToKey(key)));
}

uint32_t Win32Registry::SHDeleteKeyA(KeyHandle key, const std::string& subKey) {
  decltype(deleteTree_) deleteTree = nullptr;
  {
    std::lock_guard lock(shellLock_);
    if (shell_ == nullptr) {
      shell_ = ::LoadLibraryA("shlwapi.dll");
      if (shell_ == nullptr) return static_cast<uint32_t>(::GetLastError());
      deleteTree_ = reinterpret_cast<decltype(deleteTree_)>(
          reinterpret_cast<void*>(::GetProcAddress(shell_, "SHDeleteKeyA")));
    }
    deleteTree = deleteTree_;
  }
  if (deleteTree == nullptr) return ERROR_PROC_NOT_FOUND;
  return static_cast<uint32_t>(deleteTree(ToKey(key), subKey.c_str()));
}

Win32Registry::~Win32Registry() {
  if (shell_ != nullptr) ::FreeLibrary(shell_);
}

}  // namespace platform::win32
