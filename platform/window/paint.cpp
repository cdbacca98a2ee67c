// Device contexts over QPainter: painting during WM_PAINT, DrawTextA and the
// few GDI objects the program's windows use (brushes, fonts, system colours).
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <cstring>
#include <vector>

#include "platform/window/internal.h"

namespace lorvane::window::detail {
namespace {

struct DeviceContext {
  HWND window = nullptr;
  QPointer<QWidget> widget;
  std::unique_ptr<QPainter> painter;  // only while the window is being painted
  QFont font;
  HFONT selectedFont = nullptr;
  HBRUSH brush = nullptr;
  COLORREF textColor = 0x000000;
  COLORREF bkColor = 0xFFFFFF;
  int bkMode = OPAQUE;
};

struct Brush {
  COLORREF color = 0;
  bool null = false;
  bool stock = false;
};

struct Font {
  QFont font;
  bool stock = false;
};

HandleTable<DeviceContext>& Contexts() {
  static HandleTable<DeviceContext> table(0x4000000);
  return table;
}

HandleTable<Brush>& Brushes() {
  static HandleTable<Brush> table(0x5000000);
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

std::uintptr_t Value(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle); }

int QtFlags(UINT format) {
  int flags = 0;
  if (format & DT_CENTER)
    flags |= Qt::AlignHCenter;
  else if (format & DT_RIGHT)
    flags |= Qt::AlignRight;
  else
    flags |= Qt::AlignLeft;
  if (format & DT_SINGLELINE) {
    flags |= Qt::TextSingleLine;
    if (format & DT_VCENTER)
      flags |= Qt::AlignVCenter;
    else if (format & DT_BOTTOM)
      flags |= Qt::AlignBottom;
    else
      flags |= Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop;
    if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  }
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
  return flags;
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
    case COLOR_MENUTEXT:
    case COLOR_CAPTIONTEXT:
      return ColorRefOf(p.color(QPalette::Text));
    case COLOR_BTNFACE:
    case COLOR_MENU:
    case COLOR_ACTIVEBORDER:
    case COLOR_INACTIVEBORDER:
      return ColorRefOf(p.color(QPalette::Button));
    case COLOR_BTNTEXT:
      return ColorRefOf(p.color(QPalette::ButtonText));
    case COLOR_BTNSHADOW:
      return ColorRefOf(p.color(QPalette::Dark));
    case COLOR_BTNHIGHLIGHT:
      return ColorRefOf(p.color(QPalette::Light));
    case COLOR_3DDKSHADOW:
    case COLOR_WINDOWFRAME:
      return ColorRefOf(p.color(QPalette::Shadow));
    case COLOR_3DLIGHT:
    case COLOR_SCROLLBAR:
      return ColorRefOf(p.color(QPalette::Midlight));
    case COLOR_HIGHLIGHT:
    case COLOR_ACTIVECAPTION:
    case COLOR_INACTIVECAPTION:
      return ColorRefOf(p.color(QPalette::Highlight));
    case COLOR_HIGHLIGHTTEXT:
    case COLOR_INACTIVECAPTIONTEXT:
      return ColorRefOf(p.color(QPalette::HighlightedText));
    case COLOR_GRAYTEXT:
      return ColorRefOf(p.color(QPalette::Disabled, QPalette::Text));
    case COLOR_INFOBK:
      return ColorRefOf(p.color(QPalette::ToolTipBase));
    case COLOR_INFOTEXT:
      return ColorRefOf(p.color(QPalette::ToolTipText));
    case COLOR_APPWORKSPACE:
    case COLOR_BACKGROUND:
      return ColorRefOf(p.color(QPalette::Mid));
    default:
      return 0;
  }
}

bool BrushColor(HBRUSH brush, COLORREF* color) {
  const std::uintptr_t value = Value(brush);
  if (value >= 1 && value <= 32) {  // (HBRUSH)(COLOR_x + 1)
    *color = SysColor(static_cast<int>(value) - 1);
    return true;
  }
  Brush* b = Brushes().Get(brush);
  if (b == nullptr || b->null) return false;
  *color = b->color;
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

HDC GetDC(HWND handle) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return nullptr;
  return NewContext(*window, false);
}

int ReleaseDC(HWND, HDC dc) { return Contexts().Remove(dc) ? 1 : 0; }

int DrawTextA(HDC dc, LPCSTR text, int count, LPRECT rect, UINT format) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || text == nullptr || rect == nullptr) return 0;
  const QString string = FromLocal(text, count);
  const QFontMetrics metrics(context->font);
  const int flags = QtFlags(format);
  const QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  if ((format & DT_CALCRECT) && (format & DT_SINGLELINE)) {
    // One line: its advance width and the font's height, from the top-left.
    QString shown = string;
    if (!(format & DT_NOPREFIX)) shown = WithoutMnemonics(string);
    rect->right = rect->left + metrics.horizontalAdvance(shown);
    rect->bottom = rect->top + metrics.height();
    return metrics.height();
  }
  if (format & DT_CALCRECT) {
    // Measures from the top-left corner; the width stays for word-wrapped text.
    const int width = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE) ? box.width() : 1 << 20;
    const QRect measured = metrics.boundingRect(
        QRect(0, 0, width, 1 << 20), (flags & ~(Qt::AlignHCenter | Qt::AlignRight)) | Qt::AlignLeft,
        string);
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE))
      rect->right = rect->left + measured.width();
    rect->bottom = rect->top + std::max(measured.height(), metrics.height());
    return rect->bottom - rect->top;
  }
  const QRect needed = metrics.boundingRect(box, flags, string);
  if (context->painter != nullptr) {
    QPainter& painter = *context->painter;
    painter.save();
    if (!(format & DT_NOCLIP)) painter.setClipRect(box);
    if (context->bkMode == OPAQUE) painter.fillRect(needed, ColorOf(context->bkColor));
    painter.setPen(ColorOf(context->textColor));
    painter.setFont(context->font);
    painter.drawText(box, flags, string);
    painter.restore();
  }
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM)))
    return needed.bottom() + 1 - box.top();
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

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* context = Context(dc);
  if (context == nullptr) return 0xFFFFFFFF;  // CLR_INVALID
  const COLORREF old = context->textColor;
  context->textColor = color;
  return old;
}

COLORREF GetTextColor(HDC dc) {
  DeviceContext* context = Context(dc);
  return context != nullptr ? context->textColor : 0xFFFFFFFF;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* context = Context(dc);
  if (context == nullptr) return 0xFFFFFFFF;
  const COLORREF old = context->bkColor;
  context->bkColor = color;
  return old;
}

int SetBkMode(HDC dc, int mode) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
  const int old = context->bkMode;
  context->bkMode = mode;
  return old;
}

BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || metrics == nullptr) return FALSE;
  const QFontMetrics fm(context->font);
  metrics->tmHeight = fm.height();
  metrics->tmAscent = fm.ascent();
  metrics->tmDescent = fm.descent();
  metrics->tmInternalLeading = std::max(0, fm.height() - fm.capHeight() - fm.descent());
  metrics->tmExternalLeading = fm.leading();
  metrics->tmAveCharWidth = fm.averageCharWidth();
  metrics->tmMaxCharWidth = fm.maxWidth();
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || text == nullptr || size == nullptr || count < 0) return FALSE;
  const QFontMetrics fm(context->font);
  size->cx = fm.horizontalAdvance(FromLocal(text, count));
  size->cy = fm.height();
  return TRUE;
}

HGDIOBJ GetStockObject(int object) {
  static std::map<int, HGDIOBJ> stock;
  auto it = stock.find(object);
  if (it != stock.end()) return it->second;
  HGDIOBJ handle = nullptr;
  auto brush = [](COLORREF color, bool null) {
    auto b = std::make_unique<Brush>();
    b->color = color;
    b->null = null;
    b->stock = true;
    return Brushes().Add<HBRUSH>(std::move(b));
  };
  switch (object) {
    case WHITE_BRUSH:
      handle = brush(RGB(255, 255, 255), false);
      break;
    case LTGRAY_BRUSH:
      handle = brush(RGB(192, 192, 192), false);
      break;
    case GRAY_BRUSH:
      handle = brush(RGB(128, 128, 128), false);
      break;
    case DKGRAY_BRUSH:
      handle = brush(RGB(64, 64, 64), false);
      break;
    case BLACK_BRUSH:
      handle = brush(RGB(0, 0, 0), false);
      break;
    case NULL_BRUSH:
      handle = brush(0, true);
      break;
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
      auto f = std::make_unique<Font>();
      f->font = qApp != nullptr ? QApplication::font() : QFont();
      f->stock = true;
      handle = Fonts().Add<HFONT>(std::move(f));
      break;
    }
    default:
      return nullptr;
  }
  stock[object] = handle;
  return handle;
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<Brush>();
  b->color = color;
  return Brushes().Add<HBRUSH>(std::move(b));
}

BOOL DeleteObject(HGDIOBJ object) {
  if (Brush* b = Brushes().Get(object))
    return b->stock ? TRUE : (Brushes().Remove(object) ? TRUE : FALSE);
  if (Font* f = Fonts().Get(object))
    return f->stock ? TRUE : (Fonts().Remove(object) ? TRUE : FALSE);
  return FALSE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = Context(dc);
  if (context == nullptr) return nullptr;
  if (Font* f = Fonts().Get(object)) {
    HGDIOBJ old =
        context->selectedFont != nullptr ? context->selectedFont : GetStockObject(SYSTEM_FONT);
    context->selectedFont = static_cast<HFONT>(object);
    context->font = f->font;
    if (context->painter != nullptr) context->painter->setFont(f->font);
    return old;
  }
  if (Brushes().Get(object) != nullptr) {
    HGDIOBJ old = context->brush != nullptr ? context->brush : GetStockObject(WHITE_BRUSH);
    context->brush = static_cast<HBRUSH>(object);
    return old;
  }
  return nullptr;
}

DWORD GetSysColor(int index) { return SysColor(index); }

HBRUSH GetSysColorBrush(int index) {
  return index >= 0 && index <= 30
             ? reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(index + 1))
             : nullptr;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  DeviceContext* context = Context(dc);
  if (context == nullptr || icon == nullptr) return FALSE;
  if (context->painter != nullptr) context->painter->drawPixmap(x, y, IconOf(icon).pixmap(32, 32));
  return TRUE;
}
