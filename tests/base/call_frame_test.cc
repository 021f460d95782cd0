#include "base/call_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumetra {
namespace {

CallArguments args(std::vector<CallArgument> values) { return CallArguments(std::move(values)); }

TEST(CallArgumentsTest, MissingArgumentsReadAsEmptyZeroAndFalse) {
  const CallArguments none;
  EXPECT_EQ(none.count(), 0u);
  EXPECT_EQ(none.string(0), u"");
  EXPECT_EQ(none.integer(3), 0);
  EXPECT_FALSE(none.boolean(1));
}

TEST(CallArgumentsTest, OtherTypesAreNotCoerced) {
  const CallArguments a =
      args({CallArgument::number(12), CallArgument::string("1"), CallArgument::boolean(true), CallArgument::other()});
  EXPECT_EQ(a.count(), 4u);
  EXPECT_EQ(a.string(0), u"");  // no toString of numbers
  EXPECT_EQ(a.integer(1), 0);   // no parsing of strings
  EXPECT_FALSE(a.boolean(1));   // no truthiness of "1"
  EXPECT_EQ(a.integer(2), 0);   // true is not 1
  EXPECT_EQ(a.string(3), u"");
  EXPECT_TRUE(a.boolean(2));
}

TEST(CallArgumentsTest, StringsArriveAsUtf16) {
  const CallArguments a = args({CallArgument::string("前台A")});
  EXPECT_EQ(a.string(0), u"前台A");
  EXPECT_EQ(a.utf8(0), "前台A");
}

TEST(CallArgumentsTest, IntegersFollowTheInt32AndUint32Rules) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::pair<double, std::int32_t>> cases = {{40, 40},
                                                              {-5, -5},
                                                              {2147483647.0, 2147483647},
                                                              {-2147483648.0, -2147483647 - 1},
                                                              {4294967295.0, -1},
                                                              {2147483648.0, -2147483647 - 1},
                                                              {4294967296.0, 0},
                                                              {-2147483649.0, 0},
                                                              {1.5, 0},
                                                              {-0.0, 0},
                                                              {std::nan(""), 0},
                                                              {inf, 0},
                                                              {-inf, 0}};
  for (const auto& [number, expected] : cases) {
    EXPECT_EQ(args({CallArgument::number(number)}).integer(0), expected) << number;
  }
}

// The host asks for room before it converts a string, so the check must
// hold before any text is copied, and the limit counts every string of
// the call together.
TEST(CallFrameReaderTest, TextUpToTheLimitIsReadAndReadingStopsPastIt) {
  CallFrameReader exact;
  exact.add(CallArgument::number(3));
  EXPECT_TRUE(exact.addText(std::string(kMaxCallTextBytes - 1, 'a')));
  EXPECT_TRUE(exact.roomFor(1));
  EXPECT_TRUE(exact.addText("b"));
  const CallArguments full = std::move(exact).frame();
  EXPECT_FALSE(full.overTextLimit());
  EXPECT_EQ(full.count(), 3u);
  EXPECT_EQ(full.integer(0), 3);

  CallFrameReader together;
  EXPECT_TRUE(together.addText(std::string(kMaxCallTextBytes / 2, 'a')));
  EXPECT_FALSE(together.addText(std::string(kMaxCallTextBytes / 2 + 1, 'b')));
  EXPECT_FALSE(together.roomFor(0)) << "stays over the limit";
  const CallArguments over = std::move(together).frame();
  EXPECT_TRUE(over.overTextLimit());
  EXPECT_EQ(over.count(), 1u);

  CallFrameReader unconverted;
  EXPECT_FALSE(unconverted.roomFor(kMaxCallTextBytes + 1));
  EXPECT_TRUE(std::move(unconverted).frame().overTextLimit());
  EXPECT_FALSE(CallArguments().overTextLimit());
}

TEST(CallResultTest, KindsCompareByValueAndHandledFlag) {
  EXPECT_EQ(CallResult::undefined(), CallResult::undefined());
  EXPECT_NE(CallResult::undefined(), CallResult::notHandled());
  EXPECT_NE(CallResult::boolean(false), CallResult::integer(0));
  EXPECT_EQ(CallResult::strings({"a"}), CallResult::strings({"a"}));
  EXPECT_TRUE(CallResult::notHandled().isUndefined());
  EXPECT_FALSE(CallResult::notHandled().handled());
}

}  // namespace
}  // namespace lumetra
