// The Change MAC Address dialog driven as a user drives it: chosen from the
// real menu, then keys and clicks inside its own modal loop, over a hive in a
// temporary folder.
#pragma once

#include <QString>

#include "fixture.h"
#include "registry/temp_hive.h"

inline constexpr char kActivate[] =
    "To activate the new MAC address,\nRestart your network adapter";
inline constexpr char kRestore[] = "To restore your MAC address,\nRestart your network adapter";

// One thing the user does in the dialog, or a look at it.
using Step = std::function<void(HWND dlg)>;

class ChangeMacTest : public ProgramTest {
 protected:
  // Function > Change MAC Addr on the real menu. Once the dialog is up, each
  // step runs in its turn, the dialog's own loop handling what the step did
  // (keys are queued) before the next. Says "no dialog", "ended" (by the
  // steps) or "left open" (then cancelled here, so a wrong one cannot hang).
  std::string Choose(std::vector<Step> steps = {});

  // A click, keys for the focused control, the focus given to a control,
  // text pasted into the new-address edit with Ctrl+V.
  static Step Click(int id);
  static Step Keys(const char* keys);
  static Step Key(Qt::Key key);
  static Step Focus(int id) { return [id](HWND dlg) { ::SetFocus(::GetDlgItem(dlg, id)); }; }
  static Step Paste(const QString& text);
  static std::string Text(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }

  // An adapter subkey naming its link, with an override stored if given.
  static void Subkey(const std::string& number, const std::string& link,
                     const char* address = nullptr);
  // The adapter subkey's NetworkAddress as stored, or "<error N>".
  static std::string Stored(const std::string& number) {
    return GetValue(kClassKey + number, "NetworkAddress");
  }
  static std::string Restart(const std::string& text);

  TempHive hive;
};
