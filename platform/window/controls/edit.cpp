// Single-line edits over QLineEdit. The text limit caps what is typed or
// pasted, not what the program sets, as on Windows.
#include <QApplication>
#include <QLineEdit>
#include <QValidator>
#include <algorithm>

#include "platform/window/controls/controls.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/queue.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {
namespace {

constexpr int kDefaultLimit = 32767;

class EditValidator : public QValidator {
 public:
  explicit EditValidator(QLineEdit* edit) : QValidator(edit) {}
  int limit = kDefaultLimit;
  qsizetype accepted = 0;  // the length of the text as it stands
  QString current;         // the text as it stands

  State validate(QString& input, int& pos) const override {
    // A text the program set past the limit stays; it only cannot grow.
    qsizetype excess = input.toLocal8Bit().size() - std::max<qsizetype>(limit, accepted);
    if (excess <= 0) return Acceptable;
    // As on Windows, what is typed or pasted is cut to the room left. It ends
    // at the cursor, and the text around it fitted, so the cut stays inside it.
    int start = pos;
    while (excess > 0 && start > 0) {
      const int width =
          start >= 2 && input[start - 1].isLowSurrogate() && input[start - 2].isHighSurrogate()
              ? 2
              : 1;
      start -= width;
      excess -= QStringView(input).mid(start, width).toLocal8Bit().size();
    }
    QString cut = input;
    cut.remove(start, pos - start);
    // Nothing of it fits: refused whole, so the text does not even seem to change.
    if (excess > 0 || cut == current) return Invalid;
    input = cut;
    pos = start;
    return Acceptable;
  }
};

struct EditState : Control {
  EditValidator* validator = nullptr;
};

QLineEdit* EditOf(Window& window) { return qobject_cast<QLineEdit*>(window.client.data()); }

}  // namespace

bool CreateEdit(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD style = static_cast<DWORD>(cs.style);
  if (style & 0xFFFF & ~(ES_AUTOHSCROLL | ES_READONLY)) {
    LogUnsupported("edit styles other than ES_AUTOHSCROLL and ES_READONLY");
    return false;
  }
  auto* edit = new QLineEdit(parent);
  edit->setFrame((style & WS_BORDER) || (cs.dwExStyle & WS_EX_CLIENTEDGE));
  if (style & ES_READONLY) {
    edit->setReadOnly(true);
    // A read-only edit shows the dialog colour behind its text, as on Windows.
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::Button));
    edit->setPalette(palette);
  }
  auto state = std::make_unique<EditState>();
  state->validator = new EditValidator(edit);
  edit->setValidator(state->validator);
  EditValidator* validator = state->validator;
  QObject::connect(edit, &QLineEdit::textChanged, [validator](const QString& text) {
    validator->accepted = text.toLocal8Bit().size();
    validator->current = text;
  });
  window.control = std::move(state);
  window.outer = window.client = edit;
  return true;
}

LRESULT CALLBACK EditProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindQuiet(handle);
  QLineEdit* edit = window != nullptr ? EditOf(*window) : nullptr;
  if (edit == nullptr) return DefWindowProcA(handle, message, wParam, lParam);
  auto* state = static_cast<EditState*>(window->control.get());
  switch (message) {
    case WM_NCCREATE: {
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName))
        edit->setText(FromLocal(cs->lpszName));
      return TRUE;
    }
    case WM_SETTEXT:
      // Not checked against the limit: that caps only what the user types.
      edit->setText(FromLocal(lParam != 0 ? reinterpret_cast<const char*>(lParam) : ""));
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(ToLocal(edit->text()), reinterpret_cast<char*>(lParam),
                     static_cast<int>(wParam));
    case EM_LIMITTEXT:
      state->validator->limit =
          wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
      return 0;
    case EM_SETSEL:  // (0, -1) from the dialog manager: all the text
      edit->selectAll();
      return 0;
    case WM_SETFONT:
      DefWindowProcA(handle, message, wParam, lParam);
      edit->setFont(FontOf(reinterpret_cast<HFONT>(wParam), edit->parentWidget()));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_HASSETSEL;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
      ReplayKey(*window, message, wParam, lParam);
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace lorvane::window::detail
