#include "renderer/origin_gate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/log.h"

namespace lumetra {
namespace {

// A page can make up origins without end (a frame per subdomain): each is
// named once, and only so many.
TEST(OriginGateTest, WithheldOriginsAreNamedOnceEachUpToABound) {
  std::vector<std::string> lines;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
  OriginGate gate(TrustedOrigins::fromList("http://127.0.0.1:8080 /opt/pos/www"));
  EXPECT_TRUE(gate.admits("http://127.0.0.1:8080"));
  EXPECT_TRUE(gate.admits("file:///opt/pos/www/customer.html"));
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(gate.admits("https://ads.example.net"));
    EXPECT_FALSE(gate.admits("null"));
    EXPECT_FALSE(gate.admits("file:///opt/pos/other/a.html"));
    EXPECT_FALSE(gate.admits("file:///opt/pos/other/b.html"));
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "window functions withheld from https://ads.example.net (not in trusted_origins)",
                       "window functions withheld from an opaque origin (a sandboxed frame, a data: page or a page "
                       "one of them made; never trusted)",
                       "window functions withheld from file:///opt/pos/other/ (not in trusted_origins)"}));

  lines.clear();
  for (std::size_t i = 0; i < 2 * OriginGate::kMostOriginsNamed; ++i) {
    EXPECT_FALSE(gate.admits("https://a" + std::to_string(i) + ".ads.example.net"));
  }
  ASSERT_EQ(lines.size(), OriginGate::kMostOriginsNamed - 3 + 1);
  EXPECT_EQ(lines.back(), "window functions withheld from further origins are not named");
}

}  // namespace
}  // namespace lumetra
