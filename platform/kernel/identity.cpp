#include "platform/kernel/identity.h"

#include <sys/stat.h>

namespace lorvane::kernel {

bool IdentityOf(const std::string& path, FileId& out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  out = {st.st_dev, st.st_ino};
  return true;
}

bool SameFileAt(int dirFd, const char* name, FileId id) {
  struct stat st;
  return fstatat(dirFd, name, &st, 0) == 0 && FileId{st.st_dev, st.st_ino} == id;
}

bool ThisNamespace(const std::string& procDir, FileId& out) {
  return IdentityOf(procDir + "/thread-self/ns/net", out);
}

}  // namespace lorvane::kernel
