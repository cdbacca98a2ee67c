// Function > Change MAC Addr as the user meets it: the adapter it acts on,
// the dialog's contents, keys and buttons, and what ends up in the hive.
#include "fixture.h"

namespace {

using ChangeMac = ProgramTest;

// Right after start the selected position is 0 though no row is marked. The
// dialog as assistive technology reads it, too. Then which adapter it acts on.
TEST_F(ChangeMac, OpensOverTheMainWindowForTheSelectedRowsAdapterWithADriverKeyOnly) {
  Subkey("0000", "ETH1");  // differs from eth1 only in case
  Subkey("0001", "eth0");
  CAdapterView& view = Start({ScriptedAdapter(4, "eth0"), ScriptedAdapter(5, "eth1")});
  const std::string before = hive.Bytes();
  ASSERT_EQ(MarkedRow(view.m_listAdapters), -1);
  Read read;
  std::string current;
  ASSERT_EQ(Choose({[&](HWND dlg) {
              read = Read(dlg);
              current = Text(dlg, IDC_CURRENT_MAC);
              EXPECT_EQ(::GetWindow(dlg, GW_OWNER), frame->m_hWnd);
              EXPECT_FALSE(::IsWindowEnabled(frame->m_hWnd));
            }}),
            "left open");
  EXPECT_EQ(read.role, QAccessible::Dialog);
  EXPECT_EQ(read.name, "Scripted Adapter eth0");
  EXPECT_TRUE(Has(read.texts, "Current MAC Address:"));
  EXPECT_EQ(read.buttons, (Rows{"OK", "Cancel", "Reset"}));
  EXPECT_EQ(current, "not currently spoofed");
  EXPECT_TRUE(::IsWindowEnabled(frame->m_hWnd));

  for (int position : {-1, 2}) {
    view.m_nSelected = position;
    EXPECT_EQ(Choose(), "no dialog") << position;
  }
  ClickRow(view.m_listAdapters, 1);
  EXPECT_EQ(Choose(), "no dialog");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(hive.Bytes(), before);

  // The adapter is the selected row's, found by its index: the first click
  // below takes a snapshot whose second record is eth0 while row 1 still
  // shows eth1, the next one in which eth1 is gone. The name matched is
  // AdapterName, else Description; the name shown is Description, else
  // AdapterName (its cut to 127 characters is the driver key's, checked with
  // it).
  Subkey("0002", "eth1");
  Subkey("0003", "eth7");
  Subkey("0004", "Wired Ethernet");
  Subkey("0005", "wlan0");
  Rows captions;
  auto store = [&](const char* text) {
    return std::vector<Step>{[&](HWND dlg) { captions.push_back(WindowText(dlg)); },
                             Focus(IDC_NEW_MAC), Keys(text), Press(IDOK)};
  };
  adapters->SetAdapters({ScriptedAdapter(5, "eth1"), ScriptedAdapter(4, "eth0")});
  ClickRow(view.m_listAdapters, 1);
  ASSERT_EQ(Choose(store("020000000005")), "ended");
  EXPECT_EQ(Stored("0002"), Sz("020000000005"));
  EXPECT_EQ(Stored("0000") + Stored("0001"), "<error 2><error 2>");
  adapters->SetAdapters({ScriptedAdapter(4, "eth0"), ScriptedAdapter(7, "eth7")});
  ClickRow(view.m_listAdapters, 1);
  ASSERT_EQ(view.m_nAdapterCount, 2);
  EXPECT_EQ(Choose(), "no dialog");

  AdapterRecord unnamed = ScriptedAdapter(8, ""), undescribed = ScriptedAdapter(9, "wlan0");
  unnamed.description = "Wired Ethernet";
  undescribed.description = "";
  adapters->SetAdapters({unnamed, undescribed});
  Click(view.m_btnRefresh);
  for (int row = 0; row < 2; ++row) {
    ClickRow(view.m_listAdapters, row);
    EXPECT_EQ(Choose(store("0200000000")), "ended");
  }
  EXPECT_EQ(captions, (Rows{"Scripted Adapter eth1", "Wired Ethernet", "wlan0"}));
  EXPECT_EQ(Stored("0004") + Stored("0005"), Sz("0200000000") + Sz("0200000000"));
  EXPECT_EQ(boxes.size(), 3u);
}

// The text is stored as typed; the dialog shows what is stored exactly, and
// "not currently spoofed" for nothing or an empty text. Every box is the
// dialog's own, and nothing else of the window changes. Then the focus starts
// on OK and tabs in template order; Cancel touches nothing (Escape and the
// close box are the dialog class's, checked with it). Typed or pasted, at
// most 12 bytes reach the new-address edit, and what reaches it is stored
// whole; the current-address edit takes nothing.
TEST_F(ChangeMac, StoresAsTypedShowsWhatIsStoredResetsAndTakesAtMostTwelveBytes) {
  Subkey("0000", "eth0", " 0A-0b:0C ");
  CAdapterView& view =
      Start({ScriptedAdapter(4, "eth0", "10.0.0.4"), ScriptedAdapter(5, "eth1", "10.0.0.5")});
  // What the window shows, and how often the adapters were asked for.
  auto seen = [&] {
    Rows all = RowTexts(view.m_listAdapters, 4);
    for (const std::string& row : RowTexts(view.m_listInfo, 2)) all.push_back(row);
    all.push_back("marked " + std::to_string(MarkedRow(view.m_listAdapters)));
    all.push_back("polls " + std::to_string(adapters->AdapterPolls()));
    return all;
  };
  const Rows before = seen();
  Rows shown;
  std::vector<HWND> dialogs;
  auto look = [&](HWND dlg) {
    shown.push_back(Text(dlg, IDC_CURRENT_MAC));
    dialogs.push_back(dlg);
  };
  ASSERT_EQ(Choose({look, Focus(IDC_NEW_MAC), Keys("0a:1b-2c.3d"), Press(IDOK)}), "ended");
  EXPECT_EQ(Stored("0000"), Sz("0a:1b-2c.3d"));
  ASSERT_EQ(Choose({look, Press(IDC_RESET)}), "ended");
  EXPECT_EQ(Stored("0000"), "<error 2>");
  ASSERT_EQ(Choose({look, Press(IDC_RESET)}), "ended");  // nothing stored: the same message
  ASSERT_EQ(Choose({look, Press(IDOK)}), "ended");
  EXPECT_EQ(Stored("0000"), Sz(""));
  ASSERT_EQ(Choose({look, Key(Qt::Key_Return)}), "ended");

  EXPECT_EQ(shown, (Rows{" 0A-0b:0C ", "0a:1b-2c.3d", "not currently spoofed",
                         "not currently spoofed", "not currently spoofed"}));
  EXPECT_EQ(Said(), (Rows{Restart(kActivate), Restart(kRestore), Restart(kRestore),
                          Restart(kActivate), Restart(kActivate)}));
  for (std::size_t i = 0; i < boxes.size(); ++i) EXPECT_EQ(boxes[i].owner, dialogs[i]);
  EXPECT_EQ(seen(), before);

  boxes.clear();
  std::vector<int> order;
  auto focused = [&](HWND) { order.push_back(::GetDlgCtrlID(::GetFocus())); };
  std::vector<Step> steps = {focused};
  for (int i = 0; i < 5; ++i) steps.insert(steps.end(), {Key(Qt::Key_Tab), focused});
  ASSERT_EQ(Choose(steps), "left open");
  EXPECT_EQ(order,
            (std::vector<int>{IDOK, IDCANCEL, IDC_CURRENT_MAC, IDC_NEW_MAC, IDC_RESET, IDOK}));
  const std::string bytes = hive.Bytes();
  EXPECT_EQ(Choose({Focus(IDC_NEW_MAC), Keys("0A0B0C0D0E0F"), Press(IDCANCEL)}), "ended");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(hive.Bytes(), bytes);

  Rows texts;
  auto note = [&](HWND dlg) {
    texts.push_back(Text(dlg, IDC_CURRENT_MAC) + "|" + Text(dlg, IDC_NEW_MAC));
  };
  ASSERT_EQ(Choose({Focus(IDC_CURRENT_MAC), Keys("0A0B"), Key(Qt::Key_Delete), note,
                    Focus(IDC_NEW_MAC), Keys("00a0c9123456789abcdef"), note,
                    [](HWND dlg) { ::SetWindowTextA(::GetDlgItem(dlg, IDC_NEW_MAC), ""); },
                    Paste(QString(70000, 'F') + "0"), note, Press(IDOK)}),
            "ended");
  EXPECT_EQ(Stored("0000"), Sz("FFFFFFFFFFFF"));
  EXPECT_EQ(texts, (Rows{"not currently spoofed|", "not currently spoofed|00a0c9123456",
                         "not currently spoofed|FFFFFFFFFFFF"}));

  // Any bytes: control characters and two-byte ones, cut between characters;
  // a NUL ends the text there.
  const std::string e = "\xc3\xa9";
  std::string pasted;
  const QString odd = QString::fromUtf8("\t\x01\x7f" + e + e + e + e + e + e);
  ASSERT_EQ(
      Choose({Paste(odd), [&](HWND dlg) { pasted = Text(dlg, IDC_NEW_MAC); }, Key(Qt::Key_Return)}),
      "ended");
  EXPECT_EQ(pasted, "\t\x01\x7f" + e + e + e + e);
  EXPECT_EQ(Stored("0000"), Sz(pasted));
  ASSERT_EQ(Choose({Paste(QString("AB") + QChar(0) + "CD"), Press(IDOK)}), "ended");
  EXPECT_EQ(Stored("0000"), Sz("AB"));
}

// A user who may not write the hive still sees what is stored. OK and Reset
// go to the privileged helper once each; a refused prompt is reported and
// loses nothing.
TEST_F(ChangeMac, AUsersChangesGoToTheHelperAndARefusalIsReported) {
  Subkey("0000", "eth0", "020000000001");
  hive.MakeReader();
  Start({ScriptedAdapter(4, "eth0")});
  const std::string before = hive.Bytes();
  int asked = 0;
  DWORD answer = ERROR_ACCESS_DENIED;
  lorvane::registry::SetPrivilegedChange(
      [&](const std::string&, const std::string&, DWORD, const std::string*) {
        ++asked;
        return answer;
      });
  std::string current;
  for (DWORD given : {DWORD{ERROR_ACCESS_DENIED}, DWORD{NO_ERROR}}) {
    answer = given;
    ASSERT_EQ(Choose({[&](HWND dlg) { current = Text(dlg, IDC_CURRENT_MAC); }, Focus(IDC_NEW_MAC),
                      Keys("0A0000000002"), Press(IDOK)}),
              "ended");
    ASSERT_EQ(Choose({Press(IDC_RESET)}), "ended");
  }
  lorvane::registry::SetPrivilegedChange(nullptr);
  EXPECT_EQ(current, "020000000001");
  const std::string why =
      ": Lorvane may not change the registry; start it as an administrator (error 5).";
  EXPECT_EQ(Said(), (Rows{Error("The new MAC address was not stored" + why),
                          Error("The MAC address override was not removed" + why),
                          Restart(kActivate), Restart(kRestore)}));
  EXPECT_EQ(asked, 4) << "the helper's own calls are checked with it";
  EXPECT_EQ(Stored("0000"), Sz("020000000001"));
  EXPECT_EQ(hive.Bytes(), before);
}

}  // namespace
