// Resource and control ids of the program.
#pragma once

#define IDD_ABOUT 100
#define IDS_SOCKETS_FAILED 104
#define IDR_MAIN 128
#define IDD_CHANGE_MAC 131

#define IDC_ADAPTER_LIST 200
#define IDC_REFRESH 201
#define IDC_RELEASE 202
#define IDC_RENEW 203
#define IDC_INFO_LIST 204

#define IDC_CURRENT_MAC 1001
#define IDC_NEW_MAC 1002
#define IDC_RESET 1003

#define ID_CHANGE_MAC 32771
