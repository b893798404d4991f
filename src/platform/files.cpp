#include "platform/files.h"

#include "platform/win_constants.h"

namespace platform {

bool IsFile(FileSystem& files, const std::string& path) {
  const uint32_t attributes = files.GetFileAttributesA(path);
  return attributes != win::INVALID_FILE_ATTRIBUTES &&
         (attributes & win::FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace platform
