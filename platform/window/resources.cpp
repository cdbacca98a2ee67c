// The installed resources and the calls that read them: strings, icons,
// cursors and raw resource records.
#include "platform/window/resources.h"

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdlib>

#include "platform/window/resource_objects.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"
#include "platform/window/wingdi.h"

namespace lorvane::window {
namespace {

Resources& Installed() {
  static Resources resources;
  return resources;
}

template <class T>
const T* ById(const std::vector<T>& list, UINT id) {
  for (const T& item : list)
    if (item.id == id) return &item;
  return nullptr;
}

}  // namespace

void InstallResources(const Resources& resources) {
  Installed() = resources;
  detail::ForgetProgramIcons();  // a later LoadIconA reads the new images
}
const Resources& InstalledResources() { return Installed(); }

HINSTANCE ProgramInstance() {
  // The customary load address of a program module.
  return reinterpret_cast<HINSTANCE>(std::uintptr_t{0x00400000});
}

const DialogTemplate* FindDialog(UINT id) { return ById(Installed().dialogs, id); }
const MenuResource* FindMenu(UINT id) { return ById(Installed().menus, id); }
const IconResource* FindIcon(UINT id) { return ById(Installed().icons, id); }
const AcceleratorTable* FindAccelerators(UINT id) { return ById(Installed().accelerators, id); }
const std::string* FindString(UINT id) {
  for (const StringEntry& entry : Installed().strings)
    if (entry.id == id) return &entry.text;
  return nullptr;
}

}  // namespace lorvane::window

namespace lorvane::window::detail {
namespace {

enum class IconSource { kProgram, kCursor };

struct IconObject {
  IconSource source = IconSource::kProgram;
  UINT id = 0;
  std::vector<QImage> images;  // program icons, built once
  QIcon icon;                  // made on first use, once there is a GUI
  Qt::CursorShape shape = Qt::ArrowCursor;
};

HandleTable<IconObject>& Icons() {
  static HandleTable<IconObject> table(0x1000000);
  return table;
}

// Shared handles: LoadIconA / LoadCursorA give the same handle for the same
// resource, as Windows does for shared icons.
std::map<std::pair<int, UINT>, HICON>& Shared() {
  static std::map<std::pair<int, UINT>, HICON> shared;
  return shared;
}

QImage ImageOf(const IconImage& image) {
  QImage out(image.width, image.height, QImage::Format_ARGB32);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * image.width + x);
      const BYTE index = i < image.pixels.size() ? image.pixels[i] : 0;
      const bool clear = i < image.mask.size() && image.mask[i] != 0;
      const COLORREF c = image.palette[index & 0x0F];
      out.setPixel(x, y,
                   clear ? qRgba(0, 0, 0, 0) : qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
    }
  }
  return out;
}

HICON SharedHandle(int kind, UINT id, const std::function<std::unique_ptr<IconObject>()>& make) {
  auto key = std::make_pair(kind, id);
  auto it = Shared().find(key);
  if (it != Shared().end()) return it->second;
  std::unique_ptr<IconObject> object = make();
  if (object == nullptr) return nullptr;
  HICON handle = Icons().Add<HICON>(std::move(object));
  Shared()[key] = handle;
  return handle;
}

constexpr int kProgramIcons = 0;

struct CursorState {
  HCURSOR current = nullptr;
  bool overriding = false;
};

CursorState& Cursor() {
  static CursorState state;
  return state;
}

}  // namespace

void ForgetProgramIcons() {
  auto& shared = Shared();
  for (auto it = shared.begin(); it != shared.end();)
    it = it->first.first == kProgramIcons ? shared.erase(it) : std::next(it);
}

UINT ResourceId(LPCSTR name, bool* ok) {
  *ok = false;
  if (name == nullptr) return 0;
  if (IS_INTRESOURCE(name)) {
    *ok = true;
    return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
  }
  if (name[0] == '#') {
    char* end = nullptr;
    const unsigned long value = std::strtoul(name + 1, &end, 10);
    if (end != name + 1 && *end == '\0' && value <= 0xFFFF) {
      *ok = true;
      return static_cast<UINT>(value);
    }
  }
  return 0;  // resources are known by number only
}

QIcon IconOf(HICON handle) {
  IconObject* object = Icons().Get(handle);
  if (object == nullptr || qApp == nullptr) return {};
  if (!object->icon.isNull()) return object->icon;
  if (object->source == IconSource::kProgram) {
    for (const QImage& image : object->images) object->icon.addPixmap(QPixmap::fromImage(image));
  }
  return object->icon;
}

Qt::CursorShape CursorShapeOf(HCURSOR cursor) {
  IconObject* object = Icons().Get(cursor);
  return object != nullptr && object->source == IconSource::kCursor ? object->shape
                                                                    : Qt::ArrowCursor;
}

bool IsWaitCursor(HCURSOR cursor) {
  IconObject* object = Icons().Get(cursor);
  return object != nullptr && object->source == IconSource::kCursor &&
         object->shape == Qt::WaitCursor;
}

}  // namespace lorvane::window::detail

using namespace lorvane::window;
using namespace lorvane::window::detail;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  return moduleName == nullptr ? ProgramInstance() : nullptr;
}

int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int bufferMax) {
  const std::string* text = FindString(id);
  if (text == nullptr) {
    if (buffer != nullptr && bufferMax > 0) buffer[0] = '\0';
    return 0;
  }
  return CopyOut(*text, buffer, bufferMax);
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
  bool ok = false;
  const UINT id = ResourceId(name, &ok);
  if (!ok) return nullptr;
  if (instance == nullptr) return nullptr;  // the system's icons: none is used
  const IconResource* resource = FindIcon(id);
  if (resource == nullptr) return nullptr;
  return SharedHandle(kProgramIcons, id, [resource] {
    auto object = std::make_unique<IconObject>();
    object->id = resource->id;
    for (const IconImage& image : resource->images) object->images.push_back(ImageOf(image));
    return object;
  });
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
  bool ok = false;
  const UINT id = ResourceId(name, &ok);
  if (!ok || instance != nullptr) return nullptr;  // the program has no cursors of its own
  // IDC_ARROW and IDC_WAIT, the two the program and the framework load.
  if (id != 32512 && id != 32514) return nullptr;
  const Qt::CursorShape shape = id == 32514 ? Qt::WaitCursor : Qt::ArrowCursor;
  return SharedHandle(2, id, [id, shape] {
    auto object = std::make_unique<IconObject>();
    object->source = IconSource::kCursor;
    object->id = id;
    object->shape = shape;
    return object;
  });
}

HCURSOR SetCursor(HCURSOR cursor) {
  CursorState& state = Cursor();
  const HCURSOR old = state.current != nullptr ? state.current : LoadCursorA(nullptr, IDC_ARROW);
  state.current = cursor;
  // The wait cursor shows over every window until another cursor is set.
  if (IsWaitCursor(cursor)) {
    if (!state.overriding && qApp != nullptr) {
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
      state.overriding = true;
    }
  } else if (state.overriding) {
    if (qApp != nullptr) QGuiApplication::restoreOverrideCursor();
    state.overriding = false;
  }
  return old;
}
