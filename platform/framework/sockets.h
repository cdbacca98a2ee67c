// Socket layer start-up. The program only asks whether sockets can be used at
// all; the platform answers by really making one. Tests replace the check
// through SetSocketLayer to see start-up fail.
#pragma once

#include <memory>

#include "platform/base/types.h"

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

struct WSADATA {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char* lpVendorInfo;
};
using LPWSADATA = WSADATA*;

// TRUE when the socket layer works; fills lpwsaData when given.
BOOL AfxSocketInit(WSADATA* lpwsaData = nullptr);

namespace lorvane::framework {

class SocketLayer {
 public:
  virtual ~SocketLayer() = default;
  // True when a socket can be made and closed again.
  virtual bool Start() = 0;
};

// The real check: a UDP socket of the IPv4 family, opened and closed.
class SystemSocketLayer : public SocketLayer {
 public:
  bool Start() override;
};

// Installs a socket layer; nullptr puts the real one back. Returns the old one.
std::shared_ptr<SocketLayer> SetSocketLayer(std::shared_ptr<SocketLayer> layer);

}  // namespace lorvane::framework
