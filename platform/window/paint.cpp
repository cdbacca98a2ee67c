// Device contexts over QPainter: painting during WM_PAINT, DrawTextA and the
// few GDI objects the program's windows use (brushes, fonts, system colours).
#include "platform/window/paint.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <cstring>
#include <vector>

#include "platform/window/queue.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"
#include "platform/window/wingdi.h"

namespace lorvane::window::detail {
namespace {

struct DeviceContext {
  HWND window = nullptr;
  QPointer<QWidget> widget;
  std::unique_ptr<QPainter> painter;  // only while the window is being painted
  QFont font;
};

// A new device context's colours: black text on an opaque white background.
constexpr COLORREF kTextColor = 0x000000;
constexpr COLORREF kBkColor = 0xFFFFFF;

struct Font {
  QFont font;
};

HandleTable<DeviceContext>& Contexts() {
  static HandleTable<DeviceContext> table(0x4000000);
  return table;
}

HandleTable<Font>& Fonts() {
  static HandleTable<Font> table(0x6000000);
  return table;
}

// The paint events in progress, innermost last.
struct PaintArea {
  HWND window;
  QRect area;
};
std::vector<PaintArea>& Painting() {
  static std::vector<PaintArea> stack;
  return stack;
}

DeviceContext* Context(HDC dc) { return Contexts().Get(dc); }

HDC NewContext(Window& window, bool paint) {
  auto dc = std::make_unique<DeviceContext>();
  dc->window = window.handle;
  dc->widget = window.client;
  dc->font = FontOf(window.font, window.client);
  if (paint && window.client != nullptr) {
    dc->painter = std::make_unique<QPainter>(window.client.data());
    dc->painter->setFont(dc->font);
  }
  return Contexts().Add<HDC>(std::move(dc));
}

// What '&' prefixes leave to be seen: "&&" is one '&', a lone '&' nothing.
QString WithoutMnemonics(const QString& text) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

}  // namespace

void PaintFromQt(Window& window, const QRect& area) {
  Painting().push_back(PaintArea{window.handle, area});
  Send(window.handle, WM_PAINT, 0, 0);
  Painting().pop_back();
}

QColor ColorOf(COLORREF color) {
  return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

COLORREF ColorRefOf(const QColor& color) { return RGB(color.red(), color.green(), color.blue()); }

COLORREF SysColor(int index) {
  if (qApp == nullptr) return index == COLOR_WINDOW ? 0xFFFFFF : 0xC0C0C0;
  const QPalette p = QApplication::palette();
  switch (index) {
    case COLOR_WINDOW:
      return ColorRefOf(p.color(QPalette::Base));
    case COLOR_WINDOWTEXT:
      return ColorRefOf(p.color(QPalette::Text));
    case COLOR_BTNFACE:
      return ColorRefOf(p.color(QPalette::Button));
    case COLOR_BTNSHADOW:
      return ColorRefOf(p.color(QPalette::Dark));
    case COLOR_BTNHIGHLIGHT:
      return ColorRefOf(p.color(QPalette::Light));
    case COLOR_WINDOWFRAME:
      return ColorRefOf(p.color(QPalette::Shadow));
    default:
      return 0;
  }
}

bool BrushColor(HBRUSH brush, COLORREF* color) {
  // Only system-colour brushes, (HBRUSH)(COLOR_x + 1), are made here.
  const auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value < 1 || value > 32) return false;
  *color = SysColor(static_cast<int>(value) - 1);
  return true;
}

QFont FontOf(HFONT font, const QWidget* fallback) {
  if (Font* f = Fonts().Get(font)) return f->font;
  return fallback != nullptr ? fallback->font() : QApplication::font();
}

HFONT CreateFontObject(const QFont& font) {
  auto f = std::make_unique<Font>();
  f->font = font;
  return Fonts().Add<HFONT>(std::move(f));
}

void DeleteFontObject(HFONT font) { Fonts().Remove(font); }

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || paint == nullptr) return nullptr;
  std::memset(paint, 0, sizeof *paint);
  const PaintArea* area = nullptr;
  for (auto it = Painting().rbegin(); it != Painting().rend(); ++it)
    if (it->window == handle) area = &*it;
  const bool painting = area != nullptr && window->client != nullptr &&
                        window->client->testAttribute(Qt::WA_WState_InPaintEvent);
  HDC dc = NewContext(*window, painting);
  paint->hdc = dc;
  if (painting) {
    const QRect r = area->area;
    paint->rcPaint = RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    paint->fErase = Send(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  }
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  Contexts().Remove(paint->hdc);
  return TRUE;
}

// One line of text, left-aligned or centred (DT_CENTER), from the top of the
// rectangle; '&' marks a mnemonic.
int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || text == nullptr || rect == nullptr) return 0;
  if (!(format & DT_SINGLELINE))
    LogUnsupported("DrawTextA without DT_SINGLELINE (drawn as one line)");
  const QString string = FromLocal(text, count);
  const QFontMetrics metrics(context->font);
  if (format & DT_CALCRECT) {
    rect->right = rect->left + metrics.horizontalAdvance(WithoutMnemonics(string));
    rect->bottom = rect->top + metrics.height();
    return metrics.height();
  }
  const int flags = Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::AlignTop |
                    ((format & DT_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft);
  const QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  const QRect needed = metrics.boundingRect(box, flags, string);
  if (context->painter != nullptr) {
    QPainter& painter = *context->painter;
    painter.save();
    painter.setClipRect(box);
    painter.fillRect(needed, ColorOf(kBkColor));
    painter.setPen(ColorOf(kTextColor));
    painter.setFont(context->font);
    painter.drawText(box, flags, string);
    painter.restore();
  }
  return needed.height();
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  DeviceContext* context = Context(dc);
  COLORREF color = 0;
  if (context == nullptr || rect == nullptr || !BrushColor(brush, &color)) return 0;
  if (context->painter != nullptr)
    context->painter->fillRect(
        QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
        ColorOf(color));
  return 1;
}
