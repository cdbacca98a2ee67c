#include "platform/framework/sockets.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace lorvane::framework {
namespace {

std::shared_ptr<SocketLayer> SystemLayer() {
  static auto instance = std::make_shared<SystemSocketLayer>();
  return instance;
}

std::shared_ptr<SocketLayer>& Installed() {
  static std::shared_ptr<SocketLayer> layer = SystemLayer();
  return layer;
}

}  // namespace

bool SystemSocketLayer::Start() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

std::shared_ptr<SocketLayer> SetSocketLayer(std::shared_ptr<SocketLayer> layer) {
  auto old = Installed();
  Installed() = layer ? std::move(layer) : SystemLayer();
  return old;
}

}  // namespace lorvane::framework

BOOL AfxSocketInit(WSADATA* lpwsaData) {
  if (!lorvane::framework::Installed()->Start()) return FALSE;
  if (lpwsaData != nullptr) {
    std::memset(lpwsaData, 0, sizeof *lpwsaData);
    lpwsaData->wVersion = 0x0101;
    lpwsaData->wHighVersion = 0x0202;
    std::strcpy(lpwsaData->szDescription, "Lorvane sockets");
    std::strcpy(lpwsaData->szSystemStatus, "Running");
    lpwsaData->iMaxSockets = 0xFFFF;
    lpwsaData->iMaxUdpDg = 0xFFFF;
  }
  return TRUE;
}
