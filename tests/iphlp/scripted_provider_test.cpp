// The scripted provider's timing is what other tests build their scenes on:
// when a queued change shows and how long a failure lasts. What a lease call
// records and does the interface-table and lease tests check as they use it.
#include "platform/iphlp/scripted_provider.h"

#include <gtest/gtest.h>

#include "platform/base/errors.h"

namespace lorvane::iphlp {
namespace {

std::string FirstAddress(ScriptedProvider& p) {
  std::vector<AdapterRecord> a;
  if (p.Adapters(a) != NO_ERROR) return "failed";
  if (a.empty()) return "none";
  return a[0].addresses.empty() ? "0.0.0.0" : a[0].addresses[0].address;
}

TEST(ScriptedProvider, ChangesAndFailuresComeAsScripted) {
  ScriptedProvider p;
  p.SetAdapters({ScriptedAdapter(4, "eth0", "10.0.0.1")});
  p.ChangeAfter(2, [](auto& a) { a[0].addresses.clear(); });
  p.ChangeAfter(1, [](auto& a) { a[0].addresses = {{"10.0.0.9", "255.0.0.0"}}; });
  p.FailAdapters(ERROR_GEN_FAILURE, 1);
  EXPECT_EQ(FirstAddress(p), "failed");  // a failed poll counts
  EXPECT_EQ(FirstAddress(p), "10.0.0.1");
  EXPECT_EQ(FirstAddress(p), "0.0.0.0");   // the first change, after two polls
  EXPECT_EQ(FirstAddress(p), "10.0.0.9");  // the second, one poll after it was due
  p.ChangeAfter(0, std::vector<AdapterRecord>{});
  EXPECT_EQ(FirstAddress(p), "none");
  EXPECT_EQ(p.AdapterPolls(), 5);

  p.FailAdapters(ERROR_ACCESS_DENIED);
  std::vector<AdapterRecord> out{ScriptedAdapter(5, "kept")};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Adapters(out), DWORD{ERROR_ACCESS_DENIED});
  EXPECT_EQ(out.size(), 1u);  // untouched on failure
  EXPECT_EQ(out[0].name, "kept");
}

}  // namespace
}  // namespace lorvane::iphlp
