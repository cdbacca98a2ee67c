// Dialog templates, in dialog units.
#include "res/parts.h"
#include "res/resource.h"

namespace lorvane::res {

using lorvane::window::DialogTemplate;

DialogTemplate AboutDialog() {
  DialogTemplate d;
  d.id = IDD_ABOUT;
  d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  d.x = 0;
  d.y = 0;
  d.cx = 235;
  d.cy = 55;
  d.caption = "About Lorvane";
  d.fontName = "MS Sans Serif";
  d.pointSize = 8;
  d.items = {
      {"Static", -1, "#128", 11, 17, 20, 20, SS_ICON | WS_CHILD | WS_VISIBLE, 0},
      {"Static", -1, "Lorvane V0.30", 40, 10, 119, 8,
       SS_LEFT | SS_NOPREFIX | WS_GROUP | WS_CHILD | WS_VISIBLE, 0},
      {"Button", IDOK, "OK", 178, 7, 50, 14,
       BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP | WS_CHILD | WS_VISIBLE, 0},
  };
  return d;
}

DialogTemplate ChangeMacDialog() {
  DialogTemplate d;
  d.id = IDD_CHANGE_MAC;
  d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  d.cx = 170;
  d.cy = 97;
  d.caption = "Change MAC Address";
  d.fontName = "MS Sans Serif";
  d.pointSize = 8;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  d.items = {
      {"Button", IDOK, "OK", 60, 76, 50, 14, child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
      {"Button", IDCANCEL, "Cancel", 113, 76, 50, 14, child | WS_TABSTOP, 0},
      {"Static", -1, "Current MAC Address:", 19, 11, 70, 8, child | WS_GROUP | SS_LEFT, 0},
      {"Static", -1, "New MAC Address (hex digits):", 19, 41, 98, 8, child | WS_GROUP | SS_LEFT, 0},
      {"Edit", IDC_CURRENT_MAC, "", 19, 23, 130, 14,
       child | WS_BORDER | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, 0},
      {"Edit", IDC_NEW_MAC, "", 19, 54, 130, 14, child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
       0},
      {"Button", IDC_RESET, "Reset", 7, 76, 50, 14, child | WS_TABSTOP, 0},
  };
  return d;
}

}  // namespace lorvane::res
