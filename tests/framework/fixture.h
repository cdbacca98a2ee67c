// A test application with resources of its own, on the offscreen platform.
#pragma once

#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/seams.h"
#include "support/windows_up.h"

// Ids of the test resources.
inline constexpr UINT kFrameId = 300;
inline constexpr UINT kDialogId = 400;
inline constexpr UINT kCmdFrame = 40001;   // served by the frame's table
inline constexpr UINT kCmdApp = 40002;     // served by the application's table
inline constexpr UINT kCmdNobody = 40003;  // served by no one
inline constexpr int kEditId = 1001;

// What handlers did, in order.
std::vector<std::string>& Events();

class TestApp : public CWinApp {
 public:
  BOOL InitInstance() override { return TRUE; }

 protected:
  afx_msg void OnAppCommand() { Events().push_back("app " + std::to_string(kCmdApp)); }
  DECLARE_MESSAGE_MAP()
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Message boxes asked for while the hook was set.
  std::vector<lorvane::window::MessageBoxRequest> boxes;
  TestApp app;
};

// Runs the queue and Qt until nothing is left.
void Pump();
RECT WindowRect(HWND hWnd);
