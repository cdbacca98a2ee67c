#include "main_window.h"

#include "platform/framework/module.h"
#include "platform/iphlp/provider.h"
#include "platform/window/application.h"
#include "platform/window/test_support.h"
#include "res/resource.h"

CMainFrame* StartMainWindow(CWinApp& app) {
  lorvane::window::testing::StartOffscreenApplication();
  lorvane::window::InstallResources(lorvane::framework::ProgramResources());
  if (!AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW)) return nullptr;
  auto* frame = new CMainFrame;
  app.m_pMainWnd = frame;
  if (!frame->LoadFrame(IDR_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr))
    return nullptr;
  frame->ShowWindow(SW_SHOW);
  lorvane::window::testing::PumpMessages();
  return frame;
}

void StopMainWindow(CWinApp& app) {
  lorvane::window::testing::DestroyAllWindows();
  app.m_pMainWnd = nullptr;
  lorvane::iphlp::SetProvider(nullptr);
  lorvane::window::StopApplication();
}
