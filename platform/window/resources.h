// The program's resources as plain C++ data, looked up by id the way Windows
// looks up the resources bound into a module. res/ builds one Resources
// value and installs it once at start-up, before the first window opens;
// LoadStringA, LoadMenuA, LoadIconA, LoadAcceleratorsA, FindResourceA and the
// dialog calls then read from it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/window/winuser.h"

namespace lorvane::window {

struct StringEntry {
  UINT id = 0;
  std::string text;
};

// One menu item; an item with `items` is a popup (its id is unused).
// `flags` takes MF_GRAYED as in a menu script.
struct MenuItem {
  std::string text;  // '&' marks the mnemonic
  UINT id = 0;
  UINT flags = 0;
  std::vector<MenuItem> items;
};

struct MenuResource {
  UINT id = 0;
  std::vector<MenuItem> items;  // the bar's popups
};

struct AcceleratorTable {
  UINT id = 0;
  std::vector<ACCEL> entries;
};

// One image of an icon: width x height palette indices (0..15), row by row
// from the top; `mask` holds one byte per pixel, non-zero where the image is
// transparent (empty: fully opaque).
struct IconImage {
  int width = 0;
  int height = 0;
  std::array<COLORREF, 16> palette{};
  std::vector<BYTE> pixels;
  std::vector<BYTE> mask;
};

struct IconResource {
  UINT id = 0;
  std::vector<IconImage> images;
};

// One control of a dialog template. `className` is a window class name
// ("Button", "Edit", "Static", "SysListView32" or a registered class).
// For an SS_ICON static, `text` names the icon: "#128" or a resource name.
struct DialogItem {
  std::string className;
  int id = 0;
  std::string text;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
};

// A dialog template: geometry in dialog units; the font is used when the
// style has DS_SETFONT.
struct DialogTemplate {
  UINT id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  std::string caption;
  std::string fontName;
  WORD pointSize = 0;
  std::vector<DialogItem> items;
};

#define VFT_APP 0x00000001L

struct VersionRecord {
  std::array<WORD, 4> fileVersion{};
  std::array<WORD, 4> productVersion{};
  DWORD fileType = 0;  // VFT_APP ...
  std::string fileVersionText;
  std::string productVersionText;
  std::string fileDescription;
  std::string productName;
  std::string companyName;
  std::string legalCopyright;
  std::string internalName;
  std::string originalFilename;
};

struct Resources {
  std::vector<StringEntry> strings;
  std::vector<MenuResource> menus;
  std::vector<AcceleratorTable> accelerators;
  std::vector<IconResource> icons;
  std::vector<DialogTemplate> dialogs;
  VersionRecord version;
};

// Installs the program's resources (copied), replacing any installed before.
void InstallResources(const Resources& resources);
// The installed resources; empty until InstallResources.
const Resources& InstalledResources();
// The program module's handle: what GetModuleHandleA(nullptr) answers and
// what the resource calls accept (nullptr is taken to mean it too, except
// where Windows reads nullptr as "the system", as LoadIconA and LoadCursorA do).
HINSTANCE ProgramInstance();

// Lookups by id; nullptr when there is none.
const DialogTemplate* FindDialog(UINT id);
const MenuResource* FindMenu(UINT id);
const IconResource* FindIcon(UINT id);
const AcceleratorTable* FindAccelerators(UINT id);
const std::string* FindString(UINT id);

}  // namespace lorvane::window
