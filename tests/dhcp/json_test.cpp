// The JSON networkd describes a link in, and text that is garbled or hostile:
// no document rather than half of one.
#include "platform/iphlp/dhcp/json.h"

#include <gtest/gtest.h>

#include <string>

namespace lorvane::iphlp::dhcp {
namespace {

TEST(Json, ReadsADescriptionAndRefusesAnythingElse) {
  auto doc = ParseJson(
      R"({"Index":2,"Name":"lv\u00e9\ud83d\ude00","Flags":-1,"Usec":18446744073709551615,)"
      R"("Big":18446744073709551616,"Addresses":[{"Family":2,"Address":[10,77,1,9]}],"X":null})");
  ASSERT_TRUE(doc);
  std::uint64_t value = 0;
  EXPECT_TRUE(doc->Unsigned("Index", value));
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(*doc->String("Name"), "lv\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_FALSE(doc->Unsigned("Flags", value));  // not usable as a count
  EXPECT_TRUE(doc->Unsigned("Usec", value));
  EXPECT_EQ(value, UINT64_MAX);
  EXPECT_FALSE(doc->Unsigned("Big", value));
  EXPECT_EQ(doc->String("Index"), nullptr);
  ASSERT_EQ(doc->Find("Addresses")->array.size(), 1u);
  EXPECT_EQ(doc->Find("Addresses")->array[0].Find("Address")->array[3].unsignedValue, 9u);

  for (const std::string& bad : std::initializer_list<std::string>{
           "", R"({"a":1,"a":2})", "{\"a\":\"x\ny\"}", R"({"a":1} x)", R"({"a":1,})",
           R"([1,])", R"({"a":01})", R"({"a":1.})", R"({"a":"\ud800"})", R"({"a":"\x"})",
           R"({'a':1})", R"({"a":tru})", std::string(40, '[') + std::string(40, ']'),
           "\"" + std::string(kMaxJsonBytes, 'a') + "\""}) {
    EXPECT_FALSE(ParseJson(bad)) << bad.substr(0, 60);
  }
}

}  // namespace
}  // namespace lorvane::iphlp::dhcp
