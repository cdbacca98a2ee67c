// What assistive technology reads from the program's windows, through Qt's
// accessibility interface on the real widgets: each window's role and name,
// the texts and buttons inside it. (Message boxes are Qt's own, and alerts.)
#include <QAccessible>
#include <QWidget>

#include "change_mac_fixture.h"

namespace {

struct Read {
  QAccessible::Role role = QAccessible::NoRole;
  std::string name;
  Rows buttons, texts, headers, cells;
};

void Walk(QAccessibleInterface* node, Read& read, int depth = 0) {
  if (node == nullptr || depth > 12) return;
  const std::string name = node->text(QAccessible::Name).toStdString();
  switch (node->role()) {
    case QAccessible::PushButton:
      read.buttons.push_back(name);
      break;
    case QAccessible::StaticText:
      read.texts.push_back(name);
      break;
    case QAccessible::ColumnHeader:
      read.headers.push_back(name);
      break;
    case QAccessible::Cell:
    case QAccessible::TreeItem:
      read.cells.push_back(name);
      break;
    default:
      break;
  }
  for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), read, depth + 1);
}

Read ReadOut(QWidget* widget) {
  Read read;
  QAccessibleInterface* top = QAccessible::queryAccessibleInterface(widget);
  if (top == nullptr) return read;
  read.role = top->role();
  read.name = top->text(QAccessible::Name).toStdString();
  Walk(top, read);
  return read;
}

bool Has(const Rows& all, const std::string& one) {
  return std::find(all.begin(), all.end(), one) != all.end();
}

using Accessibility = ChangeMacTest;

TEST_F(Accessibility, TheWindowsAreReadByTheirRolesNamesTextsAndButtons) {
  Subkey("0000", "eth0");
  adapters->SetAdapters({ScriptedAdapter(4, "eth0")});
  Start();
  const Read main = ReadOut(WidgetOf(frame->m_hWnd));
  EXPECT_EQ(main.role, QAccessible::Window);
  EXPECT_EQ(main.name, WindowText(frame->m_hWnd));
  EXPECT_EQ(main.buttons, (Rows{"Refresh", "Renew", "Release"}));
  EXPECT_EQ(main.headers, (Rows{"Description", "IP Number", "DHCP", "Adapter", "Info", "IP Number"}));
  EXPECT_TRUE(Has(main.cells, "Scripted Adapter eth0"));
  EXPECT_TRUE(Has(main.cells, "eth0"));

  Read about;
  WhenAnotherWindowIsUp(frame->m_hWnd, [&](HWND dlg) {
    about = ReadOut(WidgetOf(dlg));
    ::PostMessageA(dlg, WM_COMMAND, IDOK, 0);
  });
  ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_APP_ABOUT, 0);
  EXPECT_EQ(about.role, QAccessible::Dialog);
  EXPECT_EQ(about.name, "About Lorvane");
  EXPECT_TRUE(Has(about.texts, "Lorvane V0.30"));
  EXPECT_EQ(about.buttons, Rows{"OK"});

  Read mac;
  ASSERT_EQ(Choose({[&](HWND dlg) { mac = ReadOut(WidgetOf(dlg)); }}), "left open");
  EXPECT_EQ(mac.role, QAccessible::Dialog);
  EXPECT_EQ(mac.name, "Scripted Adapter eth0");
  EXPECT_TRUE(Has(mac.texts, "Current MAC Address:"));
  EXPECT_EQ(mac.buttons, (Rows{"OK", "Cancel", "Reset"}));
}

}  // namespace
