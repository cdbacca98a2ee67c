// Which application object runs and the module it started with, kept apart
// from the application class so that the window and thread classes it owns
// can ask for them without depending on it.
#pragma once

#include "platform/base/types.h"

class CWinApp;
class CWinThread;

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

namespace lorvane::afx {

// The application's constructor and destructor record and forget it; both
// pointers are the same object.
void SetCurrentApp(CWinApp* pApp, CWinThread* pThread);
CWinThread* CurrentThread();
// The instance SetCurrentHandles recorded for the current application.
void SetCurrentInstance(HINSTANCE hInstance);

}  // namespace lorvane::afx
