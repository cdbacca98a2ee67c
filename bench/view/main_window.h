// The program's main window on Qt's offscreen platform, for benchmarks that
// drive the real view: started over whichever provider is installed.
#pragma once

#include "app/lease_app.h"
#include "app/main_frame.h"

// The frame with its view, shown; null when it could not be made.
CMainFrame* StartMainWindow(CWinApp& app);
void StopMainWindow(CWinApp& app);
