// Single-line edits over QLineEdit. The text limit caps what is typed or
// pasted, not what the program sets, as on Windows.
#include <QApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>
#include <cstring>

#include "platform/window/controls/controls.h"
#include "platform/window/controls/notify.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/queue.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {
namespace {

constexpr int kDefaultLimit = 32767;

class EditValidator : public QValidator {
 public:
  EditValidator(QLineEdit* edit, bool digitsOnly) : QValidator(edit), digitsOnly_(digitsOnly) {}
  int limit = kDefaultLimit;
  qsizetype accepted = 0;  // the length of the text as it stands
  QString current;         // the text as it stands

  State validate(QString& input, int& pos) const override {
    if (digitsOnly_) {
      for (QChar c : input)
        if (!c.isDigit()) return Invalid;
    }
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

 private:
  bool digitsOnly_;
};

struct EditState : Control {
  EditValidator* validator = nullptr;
};

QLineEdit* EditOf(Window& window) { return qobject_cast<QLineEdit*>(window.client.data()); }

void ApplyReadOnly(QLineEdit* edit, bool readOnly) {
  edit->setReadOnly(readOnly);
  // A read-only edit shows the dialog colour behind its text, as on Windows.
  QPalette palette = edit->palette();
  palette.setColor(QPalette::Base, readOnly ? QApplication::palette().color(QPalette::Button)
                                            : QApplication::palette().color(QPalette::Base));
  edit->setPalette(palette);
}

}  // namespace

bool CreateEdit(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD style = static_cast<DWORD>(cs.style);
  if (style & ES_MULTILINE) {
    LogUnsupported("multi-line edit controls");
    return false;
  }
  if (style & (ES_UPPERCASE | ES_LOWERCASE))
    LogUnsupported("ES_UPPERCASE / ES_LOWERCASE (text kept as typed)");
  auto* edit = new QLineEdit(parent);
  edit->setFrame((style & WS_BORDER) || (cs.dwExStyle & WS_EX_CLIENTEDGE));
  edit->setAlignment((style & ES_CENTER)  ? Qt::AlignHCenter
                     : (style & ES_RIGHT) ? Qt::AlignRight
                                          : Qt::AlignLeft);
  if (style & ES_PASSWORD) edit->setEchoMode(QLineEdit::Password);
  ApplyReadOnly(edit, (style & ES_READONLY) != 0);
  auto state = std::make_unique<EditState>();
  state->validator = new EditValidator(edit, (style & ES_NUMBER) != 0);
  edit->setValidator(state->validator);
  const HWND handle = window.handle;
  EditValidator* validator = state->validator;
  QObject::connect(edit, &QLineEdit::textChanged, [handle, validator](const QString& text) {
    validator->accepted = text.toLocal8Bit().size();
    validator->current = text;
    CallFromQt([handle] {
      if (SendCommand(handle, EN_UPDATE)) SendCommand(handle, EN_CHANGE);
    });
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
      const QSignalBlocker quiet(edit);  // no EN_CHANGE while being created
      if (cs != nullptr && cs->lpszName != nullptr && !IS_INTRESOURCE(cs->lpszName)) {
        state->validator->accepted = static_cast<qsizetype>(std::strlen(cs->lpszName));
        edit->setText(FromLocal(cs->lpszName));
        state->validator->current = edit->text();
      }
      return TRUE;
    }
    case WM_SETTEXT: {
      const char* text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      state->validator->accepted = static_cast<qsizetype>(std::strlen(text));
      edit->setText(FromLocal(text));
      return TRUE;
    }
    case WM_GETTEXT:
      return CopyOut(ToLocal(edit->text()), reinterpret_cast<char*>(lParam),
                     static_cast<int>(wParam));
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(ToLocal(edit->text()).size());
    case EM_LIMITTEXT:
      state->validator->limit =
          wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
      return 0;
    case EM_GETLIMITTEXT:
      return state->validator->limit;
    case EM_SETREADONLY:
      ApplyReadOnly(edit, wParam != 0);
      window->style = wParam ? (window->style | ES_READONLY) : (window->style & ~ES_READONLY);
      return TRUE;
    case EM_SETSEL: {
      const int length = static_cast<int>(edit->text().size());
      int start = static_cast<int>(static_cast<LONG>(wParam));
      int end = static_cast<int>(static_cast<LONG>(lParam));
      if (start < 0) {
        edit->deselect();
        return 0;
      }
      if (end < 0 || end > length) end = length;
      start = std::min(start, length);
      edit->setSelection(start, end - start);
      return 0;
    }
    case EM_GETSEL: {
      const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
      const int end = edit->hasSelectedText() ? edit->selectionEnd() : start;
      if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(start);
      if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(end);
      return MAKELONG(start, end);
    }
    case EM_REPLACESEL:
      state->validator->accepted = 0x7FFFFFFF;  // the program's insertion is not capped
      edit->insert(FromLocal(reinterpret_cast<const char*>(lParam)));
      state->validator->accepted = edit->text().toLocal8Bit().size();
      return 0;
    case EM_GETMODIFY:
      return edit->isModified() ? TRUE : FALSE;
    case EM_SETMODIFY:
      edit->setModified(wParam != 0);
      return 0;
    case WM_SETFONT:
      DefWindowProcA(handle, message, wParam, lParam);
      edit->setFont(FontOf(reinterpret_cast<HFONT>(wParam), edit->parentWidget()));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETFOCUS:
      SendCommand(handle, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      SendCommand(handle, EN_KILLFOCUS);
      return 0;
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
