// What assistive technology is told about the layer's top-level windows. One
// is a plain QWidget, which Qt would present as a client area ("filler"); it
// is a frame, or a dialog. Qt's message boxes are alerts already.
#include <QAccessible>
#include <QAccessibleWidget>

#include "platform/window/dispatch.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (!object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  // A plain QWidget that is a window is one of the layer's; Qt's own
  // classes keep Qt's answer.
  if (className != QLatin1String("QWidget") || !widget->isWindow()) return nullptr;
  return new QAccessibleWidget(
      widget, widget->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window);
}

}  // namespace

void InstallAccessibleFactory() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(&Factory);
}

}  // namespace lorvane::window::detail
