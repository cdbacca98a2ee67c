#include "platform/window/border.h"

#include <QPainter>

#include "platform/window/paint.h"

namespace lorvane::window::detail {
namespace {

// The border of a child window drawn around its client area.
class BorderWidget : public QWidget {
 public:
  BorderWidget(QWidget* parent, DWORD style, DWORD exStyle)
      : QWidget(parent), style_(style), exStyle_(exStyle) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QRect r = rect();
    if (exStyle_ & WS_EX_CLIENTEDGE) {
      painter.setPen(ColorOf(SysColor(COLOR_BTNSHADOW)));
      painter.drawLine(r.topLeft(), r.topRight());
      painter.drawLine(r.topLeft(), r.bottomLeft());
      painter.setPen(ColorOf(SysColor(COLOR_BTNHIGHLIGHT)));
      painter.drawLine(r.bottomLeft(), r.bottomRight());
      painter.drawLine(r.topRight(), r.bottomRight());
      r.adjust(1, 1, -1, -1);
    }
    if (style_ & WS_BORDER) {
      painter.setPen(ColorOf(SysColor(COLOR_WINDOWFRAME)));
      painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
  }

 private:
  DWORD style_;
  DWORD exStyle_;
};

}  // namespace

QWidget* NewBorderWidget(QWidget* parent, DWORD style, DWORD exStyle) {
  return new BorderWidget(parent, style, exStyle);
}

}  // namespace lorvane::window::detail
