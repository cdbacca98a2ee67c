// The program's resources: strings, the main menu, the accelerator table,
// the version record, and the icon and dialogs from their own files.
#include <afxres.h>

#include "res/parts.h"
#include "res/resource.h"

namespace {

using lorvane::window::AcceleratorTable;
using lorvane::window::MenuItem;
using lorvane::window::MenuResource;
using lorvane::window::Resources;

MenuResource MainMenu() {
  return {IDR_MAIN,
          {
              {"&File", 0, 0, {{"E&xit", ID_APP_EXIT, 0, {}}}},
              {"Function", 0, 0, {{"Change MAC Addr", ID_CHANGE_MAC, 0, {}}}},
              {"&Help", 0, 0, {{"&About Lorvane...", ID_APP_ABOUT, 0, {}}}},
          }};
}

// Only the clipboard, undo and pane keys; nothing in the program serves them.
AcceleratorTable MainAccelerators() {
  const BYTE ctrl = FVIRTKEY | FCONTROL;
  const BYTE shift = FVIRTKEY | FSHIFT;
  const BYTE alt = FVIRTKEY | FALT;
  return {IDR_MAIN,
          {
              {ctrl, 'C', ID_EDIT_COPY},
              {ctrl, VK_INSERT, ID_EDIT_COPY},
              {ctrl, 'X', ID_EDIT_CUT},
              {shift, VK_DELETE, ID_EDIT_CUT},
              {ctrl, 'V', ID_EDIT_PASTE},
              {shift, VK_INSERT, ID_EDIT_PASTE},
              {ctrl, 'Z', ID_EDIT_UNDO},
              {alt, VK_BACK, ID_EDIT_UNDO},
              {FVIRTKEY, VK_F6, ID_NEXT_PANE},
              {shift, VK_F6, ID_PREV_PANE},
          }};
}

Resources Build() {
  Resources r;
  r.strings = {
      {IDS_SOCKETS_FAILED, "Windows sockets initialization failed."},
      {IDR_MAIN, "Lorvane"},
      {AFX_IDS_APP_TITLE, "dhcp"},
  };
  r.menus = {MainMenu()};
  r.accelerators = {MainAccelerators()};
  r.icons = {lorvane::res::MainIcon()};
  r.dialogs = {lorvane::res::AboutDialog(), lorvane::res::ChangeMacDialog()};

  r.version.fileVersion = {1, 0, 0, 1};
  r.version.productVersion = {1, 0, 0, 1};
  r.version.fileType = VFT_APP;
  r.version.fileVersionText = "1, 0, 0, 1";
  r.version.productVersionText = "1, 0, 0, 1";
  r.version.fileDescription = "Lorvane";
  r.version.productName = "Lorvane";
  r.version.internalName = "Lorvane";
  r.version.originalFilename = "lorvane";
  return r;
}

}  // namespace

const lorvane::window::Resources& lorvane::framework::ProgramResources() {
  static const Resources resources = Build();
  return resources;
}
