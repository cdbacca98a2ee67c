#include "platform/kernel/identity.h"

#include <sys/stat.h>

namespace lorvane::kernel {

bool IdentityOf(const std::string& path, FileId& out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  out = {st.st_dev, st.st_ino};
  return true;
}

bool ThisNamespace(const std::string& procDir, FileId& out) {
  return IdentityOf(procDir + "/thread-self/ns/net", out);
}

}  // namespace lorvane::kernel
