// The driver key of one network adapter below the network adapter class
// key, found by its NetCfgInstanceId, and the NetworkAddress value in it.
#pragma once

#include "windows.h"

class CAdapterRegKey {
 public:
  CAdapterRegKey();

  // 0 when the subkey whose NetCfgInstanceId is adapterName was found and the
  // record filled; 1 otherwise, the record left as it was.
  int Find(LPCSTR displayName, LPCSTR adapterName);
  // The empty string when there is no override or it cannot be read.
  void ReadNetworkAddress(LPSTR buffer, DWORD bufferSize);
  LONG WriteNetworkAddress(LPCSTR text);
  LONG DeleteNetworkAddress();

  char m_szDisplayName[128];
  char m_szInstanceId[256];
  int m_nSubkey;

  static LPCSTR m_pszClassKey;

 private:
  void FormatSubkeyPath(LPSTR path) const;
};
