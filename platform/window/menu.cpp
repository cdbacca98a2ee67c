// Menus as Windows keeps them, shown through a QMenuBar, and accelerator
// tables.
#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "platform/window/menu.h"
#include "platform/window/queue.h"
#include "platform/window/resource_objects.h"
#include "platform/window/resources.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

struct MenuEntry {
  std::string text;
  UINT id = 0;
  UINT flags = 0;
  HMENU popup = nullptr;
  QPointer<QAction> action;
};

struct MenuObject {
  bool popup = false;
  std::vector<MenuEntry> entries;
  HWND window = nullptr;  // the window whose bar shows this menu
};

HandleTable<MenuObject>& Menus() {
  static HandleTable<MenuObject> table(0x2000000);
  return table;
}

MenuObject* MenuOf(HMENU menu) { return Menus().Get(menu); }

HMENU NewMenu(bool popup) {
  auto object = std::make_unique<MenuObject>();
  object->popup = popup;
  return Menus().Add<HMENU>(std::move(object));
}

HMENU BuildMenu(const std::vector<lorvane::window::MenuItem>& items, bool popup) {
  HMENU menu = NewMenu(popup);
  for (const auto& item : items) {
    MenuEntry entry{item.text, item.id, item.flags, nullptr, {}};
    if (!item.items.empty()) {
      entry.popup = BuildMenu(item.items, true);
    }
    MenuOf(menu)->entries.push_back(std::move(entry));
  }
  return menu;
}

// Where an item is: its menu and position, found by position or (searching
// popups too) by command.
struct Located {
  HMENU menu = nullptr;
  int position = -1;
};

Located Locate(HMENU menu, UINT item, UINT flags) {
  MenuObject* object = MenuOf(menu);
  if (object == nullptr) return {};
  if (flags & MF_BYPOSITION) {
    if (item < object->entries.size()) return Located{menu, static_cast<int>(item)};
    return {};
  }
  for (std::size_t i = 0; i < object->entries.size(); ++i) {
    const MenuEntry& entry = object->entries[i];
    if (entry.popup != nullptr) {
      Located inner = Locate(entry.popup, item, flags);
      if (inner.menu != nullptr) return inner;
    } else if (entry.id == item) {
      return Located{menu, static_cast<int>(i)};
    }
  }
  return {};
}

// The popup holding `target` and its position in its parent menu.
bool FindParent(HMENU menu, HMENU target, HMENU* parent, int* position) {
  MenuObject* object = MenuOf(menu);
  if (object == nullptr) return false;
  for (std::size_t i = 0; i < object->entries.size(); ++i) {
    if (object->entries[i].popup == target) {
      *parent = menu;
      *position = static_cast<int>(i);
      return true;
    }
    if (object->entries[i].popup != nullptr &&
        FindParent(object->entries[i].popup, target, parent, position))
      return true;
  }
  return false;
}

void SyncAction(const MenuEntry& entry) {
  if (entry.action == nullptr) return;
  entry.action->setEnabled(!(entry.flags & (MF_GRAYED | MF_DISABLED)));
}

void Fill(QWidget* target, HMENU menu, HWND window, HMENU bar);

void AddEntry(QWidget* target, MenuEntry& entry, HWND window, HMENU bar) {
  const QString text = FromLocal(entry.text);
  if (entry.popup != nullptr) {
    auto* popup = new QMenu(text, target);
    Fill(popup, entry.popup, window, bar);
    const HMENU popupHandle = entry.popup;
    QObject::connect(popup, &QMenu::aboutToShow, [window, bar, popupHandle] {
      CallFromQt([&] {
        if (MenuOf(bar) == nullptr || !IsWindow(window)) return;
        HMENU parent = nullptr;
        int position = 0;
        FindParent(bar, popupHandle, &parent, &position);
        Send(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popupHandle),
             MAKELPARAM(position, FALSE));
      });
    });
    entry.action = popup->menuAction();
    if (auto* menuBar = qobject_cast<QMenuBar*>(target))
      menuBar->addMenu(popup);
    else
      static_cast<QMenu*>(target)->addMenu(popup);
  } else {
    auto* action = new QAction(text, target);
    const UINT id = entry.id;
    QObject::connect(action, &QAction::triggered, [window, id] {
      // Windows posts the command once the menu has closed.
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    });
    target->addAction(action);
    entry.action = action;
  }
  SyncAction(entry);
}

void Fill(QWidget* target, HMENU menu, HWND window, HMENU bar) {
  MenuObject* object = MenuOf(menu);
  if (object == nullptr) return;
  for (MenuEntry& entry : object->entries) AddEntry(target, entry, window, bar);
}

struct AccelTable {
  std::vector<ACCEL> entries;
};

HandleTable<AccelTable>& Accels() {
  static HandleTable<AccelTable> table(0x3000000);
  return table;
}

}  // namespace

void AttachMenuBar(Window& window) {
  if (window.outer == nullptr || window.menu == nullptr || MenuOf(window.menu) == nullptr) return;
  auto* bar = new QMenuBar(window.outer);
  bar->setNativeMenuBar(false);
  MenuOf(window.menu)->window = window.handle;
  Fill(bar, window.menu, window.handle, window.menu);
  window.menuBar = bar;
  bar->show();
}

void DetachMenuBar(Window& window) {
  if (window.menuBar == nullptr) return;
  if (MenuOf(window.menu) != nullptr) {
    MenuOf(window.menu)->window = nullptr;
  }
  window.menuBar->hide();
  window.menuBar->deleteLater();
  window.menuBar = nullptr;
}

bool IsMenuHandle(HMENU menu) { return MenuOf(menu) != nullptr; }

void DestroyMenuTree(HMENU menu) {
  MenuObject* object = MenuOf(menu);
  if (object == nullptr) return;
  for (const MenuEntry& entry : object->entries)
    if (entry.popup != nullptr) DestroyMenuTree(entry.popup);
  Menus().Remove(menu);
}

int PrepareMenuCommand(HWND handle, UINT command) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || window->menu == nullptr) return -1;
  const HMENU bar = window->menu;
  Located where = Locate(bar, command, MF_BYCOMMAND);
  if (where.menu == nullptr) return -1;
  if (where.menu != bar) {
    HMENU parent = nullptr;
    int position = 0;
    if (FindParent(bar, where.menu, &parent, &position))
      Send(handle, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(where.menu),
           MAKELPARAM(position, FALSE));
  }
  MenuObject* object = MenuOf(where.menu);
  if (object == nullptr || where.position >= static_cast<int>(object->entries.size())) return -1;
  return (object->entries[static_cast<std::size_t>(where.position)].flags &
          (MF_GRAYED | MF_DISABLED))
             ? 0
             : 1;
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

HMENU LoadMenuA(HINSTANCE, LPCSTR name) {
  bool ok = false;
  const UINT id = ResourceId(name, &ok);
  const lorvane::window::MenuResource* resource = ok ? lorvane::window::FindMenu(id) : nullptr;
  if (resource == nullptr) return nullptr;
  return BuildMenu(resource->items, false);
}

BOOL DestroyMenu(HMENU menu) {
  if (MenuOf(menu) == nullptr) return FALSE;
  for (HWND handle : AllWindows()) {
    Window* window = FindQuiet(handle);
    if (window != nullptr && window->menu == menu) {
      DetachMenuBar(*window);
      window->menu = nullptr;
    }
  }
  DestroyMenuTree(menu);
  return TRUE;
}

HMENU GetMenu(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr && IsTopLevel(*window) ? window->menu : nullptr;
}

int GetMenuItemCount(HMENU menu) {
  MenuObject* object = MenuOf(menu);
  return object != nullptr ? static_cast<int>(object->entries.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  MenuObject* object = MenuOf(menu);
  if (object == nullptr || position < 0 || position >= static_cast<int>(object->entries.size()))
    return 0xFFFFFFFF;
  const MenuEntry& entry = object->entries[static_cast<std::size_t>(position)];
  return entry.popup != nullptr ? 0xFFFFFFFF : entry.id;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  Located where = Locate(menu, item, enable);
  if (where.menu == nullptr) return -1;
  MenuEntry& entry = MenuOf(where.menu)->entries[static_cast<std::size_t>(where.position)];
  const UINT old = entry.flags & (MF_GRAYED | MF_DISABLED);
  entry.flags = (entry.flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  SyncAction(entry);
  return static_cast<BOOL>(old);
}

HACCEL LoadAcceleratorsA(HINSTANCE, LPCSTR name) {
  bool ok = false;
  const UINT id = ResourceId(name, &ok);
  const lorvane::window::AcceleratorTable* table =
      ok ? lorvane::window::FindAccelerators(id) : nullptr;
  if (table == nullptr) return nullptr;
  auto object = std::make_unique<AccelTable>();
  object->entries = table->entries;
  return Accels().Add<HACCEL>(std::move(object));
}

BOOL DestroyAcceleratorTable(HACCEL table) { return Accels().Remove(table) ? TRUE : FALSE; }

int TranslateAcceleratorA(HWND handle, HACCEL table, LPMSG msg) {
  AccelTable* object = Accels().Get(table);
  if (object == nullptr || msg == nullptr || !IsWindow(handle)) return 0;
  // Only virtual-key entries: the program's table has no character ones.
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
  const bool shift = KeyDownNow(VK_SHIFT);
  const bool control = KeyDownNow(VK_CONTROL);
  const bool alt = KeyDownNow(VK_MENU);
  for (const ACCEL& entry : object->entries) {
    if (!(entry.fVirt & FVIRTKEY) || entry.key != msg->wParam) continue;
    if (((entry.fVirt & FSHIFT) != 0) != shift || ((entry.fVirt & FCONTROL) != 0) != control ||
        ((entry.fVirt & FALT) != 0) != alt)
      continue;
    // A command whose menu item is greyed, or a window that takes no input,
    // swallows the key without a command.
    bool send = IsWindowEnabled(handle) != FALSE;
    if (send) send = PrepareMenuCommand(handle, entry.cmd) != 0;
    if (send && IsWindow(handle)) Send(handle, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}
