// The application framework: application, windows, frames, dialogs,
// controls, painting and message tables.
#pragma once

#include <windows.h>

#include "platform/framework/afx_ids.h"
#include "platform/framework/afx_time.h"
#include "platform/framework/button.h"
#include "platform/framework/cmd_target.h"
#include "platform/framework/cmd_ui.h"
#include "platform/framework/data_exchange.h"
#include "platform/framework/dc.h"
#include "platform/framework/dialog.h"
#include "platform/framework/edit.h"
#include "platform/framework/frame_wnd.h"
#include "platform/framework/list_ctrl.h"
#include "platform/framework/menu.h"
#include "platform/framework/msgmap.h"
#include "platform/framework/object.h"
#include "platform/framework/register_class.h"
#include "platform/framework/win_app.h"
#include "platform/framework/win_thread.h"
#include "platform/framework/wnd.h"
#include "platform/framework/wnd_msgmap.h"
