// The registry, as the installer calls it: the ANSI Win32 functions one to
// one. Functions return the Windows error code (0 is success) like their
// Win32 namesakes; buffers have the Win32 size semantics.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

namespace platform {

class Registry {
 public:
  virtual ~Registry() = default;

  // `parent` is a root (kHkey...) or a key opened earlier.
  virtual uint32_t RegOpenKeyExA(KeyHandle parent, const std::string& subKey, uint32_t access,
                                 KeyHandle& result) = 0;
  // No class; `inheritHandle` stands for security attributes with no
  // descriptor and the given inheritance. `disposition` may be null.
  virtual uint32_t RegCreateKeyExA(KeyHandle parent, const std::string& subKey, uint32_t options,
                                   uint32_t access, bool inheritHandle, KeyHandle& result,
                                   uint32_t* disposition) = 0;
  virtual uint32_t RegSetValueExA(KeyHandle key, const std::string& valueName, uint32_t type,
                                  const void* data, uint32_t size) = 0;
  // `type` and `data` may be null; `size` is in/out as in Win32
  // (ERROR_MORE_DATA when the buffer is too small).
  virtual uint32_t RegQueryValueExA(KeyHandle key, const std::string& valueName, uint32_t* type,
                                    void* data, uint32_t* size) = 0;
  // `nameSize` and `dataSize` are in/out; `type`, `data` and `dataSize` may be
  // null. ERROR_NO_MORE_ITEMS past the last value, ERROR_MORE_DATA when a
  // buffer is too small.
  virtual uint32_t RegEnumValueA(KeyHandle key, uint32_t index, char* name, uint32_t* nameSize,
                                 uint32_t* type, void* data, uint32_t* dataSize) = 0;
  virtual uint32_t RegCloseKey(KeyHandle key) = 0;
  // shlwapi's SHDeleteKeyA: the sub-key goes with everything below it.
  virtual uint32_t SHDeleteKeyA(KeyHandle key, const std::string& subKey) = 0;
};

// Closes an opened key when it goes out of scope.
class ScopedKey {
 public:
  explicit ScopedKey(Registry& registry) : registry_(registry) {}
  ~ScopedKey() { Close(); }
  ScopedKey(const ScopedKey&) = delete;
  ScopedKey& operator=(const ScopedKey&) = delete;

  KeyHandle& handle() { return key_; }
  KeyHandle get() const { return key_; }
  void Close() {
    if (key_ != 0) registry_.RegCloseKey(key_);
    key_ = 0;
  }

 private:
  Registry& registry_;
  KeyHandle key_ = 0;
};

}  // namespace platform
