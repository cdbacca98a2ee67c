// Where Qt's events for the layer's widgets come in.
#pragma once

#include "platform/window/winuser.h"

class QObject;
class QWidget;

namespace lorvane::window::detail {

void InstallDispatcher();
// Roles and names of the layer's windows for assistive technology; after
// Qt's own, so that it is asked first.
void InstallAccessibleFactory();
void RegisterWidget(QWidget* widget, HWND handle);
void UnregisterWidget(QWidget* widget);
HWND WindowOfWidget(const QObject* object);

}  // namespace lorvane::window::detail
