#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

#include "renderer/web_extension/window_function_installer.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

// What the last call of a recording function saw.
CallArguments lastArguments;

CallResult recordArguments(Context&, const CallArguments& arguments) {
  lastArguments = arguments;
  return CallResult::undefined();
}
CallResult giveTrue(Context&, const CallArguments&) { return CallResult::boolean(true); }
CallResult giveInteger(Context&, const CallArguments&) { return CallResult::integer(-7); }
CallResult giveText(Context&, const CallArguments&) { return CallResult::string(std::string("价格\0尾", 10)); }
CallResult giveList(Context&, const CallArguments&) { return CallResult::strings({"POS-80", "厨房", ""}); }
CallResult giveNotHandled(Context&, const CallArguments&) { return CallResult::notHandled(); }
CallResult fail(Context&, const CallArguments&) { throw std::runtime_error("device gone"); }

constexpr std::array kHandlers{WindowFunctionHandler("record", anyCount(), recordArguments),
                               WindowFunctionHandler("giveTrue", anyCount(), giveTrue),
                               WindowFunctionHandler("giveInteger", anyCount(), giveInteger),
                               WindowFunctionHandler("giveText", anyCount(), giveText),
                               WindowFunctionHandler("giveList", anyCount(), giveList),
                               WindowFunctionHandler("giveNotHandled", anyCount(), giveNotHandled),
                               WindowFunctionHandler("fail", anyCount(), fail)};

// A bare JavaScriptCore context stands in for a page's: the same values,
// the same calls, no browser around them.
class JsBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const WindowFunctionHandler& handler : kHandlers) bindings_.push_back({&handler, &state_.context});
    context_ = jsc_context_new();
    installWindowFunctions(context_, bindings_);
  }
  void TearDown() override { g_object_unref(context_); }

  // The script's value as JSON text (undefined as "undefined").
  std::string evaluate(const std::string& script) {
    JSCValue* value = jsc_context_evaluate(
        context_,
        ("(() => { const v = " + script + "; return v === undefined ? 'undefined' : JSON.stringify(v); })()").c_str(),
        -1);
    char* text = jsc_value_to_string(value);
    std::string result = text ? text : "";
    g_free(text);
    g_object_unref(value);
    if (JSCException* exception = jsc_context_get_exception(context_)) {
      result = std::string("threw ") + jsc_exception_get_message(exception);
      jsc_context_clear_exception(context_);
    }
    return result;
  }

  test::TestContextHolder state_;
  std::vector<BoundWindowFunction> bindings_;
  JSCContext* context_ = nullptr;
};

TEST_F(JsBridgeTest, FunctionsAreNamedPropertiesOfTheGlobalObject) {
  EXPECT_EQ(evaluate("typeof record + ' ' + record.name + ' ' + typeof globalThis.giveList"),
            "\"function record function\"");
}

TEST_F(JsBridgeTest, NumbersReadAsTheirInt32ValueOrZero) {
  evaluate("record(7, -2147483648, 4294967295, 2147483648, 1.5, NaN, Infinity, 4294967296, '5', -0)");
  ASSERT_EQ(lastArguments.count(), 10u);
  const std::array<std::int32_t, 10> expected{7, INT32_MIN, -1, INT32_MIN, 0, 0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lastArguments.integer(i), expected[i]) << i;
}

TEST_F(JsBridgeTest, StringsAndBooleansKeepTheirTypeAndNothingElseIsCoerced) {
  evaluate("record('打印机 POS-80', 'a\\u0000b', 12, {toString() { return 'x'; }}, true, 1, 'true', null)");
  ASSERT_EQ(lastArguments.count(), 8u);
  EXPECT_EQ(lastArguments.utf8(0), "打印机 POS-80");
  EXPECT_EQ(lastArguments.utf8(1), std::string("a\0b", 3));
  EXPECT_EQ(lastArguments.utf8(2), "");  // no toString
  EXPECT_EQ(lastArguments.utf8(3), "");
  EXPECT_TRUE(lastArguments.boolean(4));
  EXPECT_FALSE(lastArguments.boolean(5));  // no truthiness
  EXPECT_FALSE(lastArguments.boolean(6));
  EXPECT_FALSE(lastArguments.boolean(7));
}

TEST_F(JsBridgeTest, TheCountIsWhatThePagePassedUndefinedIncluded) {
  evaluate("record()");
  EXPECT_EQ(lastArguments.count(), 0u);
  evaluate("record(undefined, undefined)");
  EXPECT_EQ(lastArguments.count(), 2u);
}

TEST_F(JsBridgeTest, ResultsBecomeJavaScriptValues) {
  EXPECT_EQ(evaluate("giveTrue()"), "true");
  EXPECT_EQ(evaluate("giveInteger()"), "-7");
  EXPECT_EQ(evaluate("giveText() === '价格\\u0000尾'"), "true");
  EXPECT_EQ(evaluate("giveList()"), "[\"POS-80\",\"厨房\",\"\"]");
  EXPECT_EQ(evaluate("Array.isArray(giveList())"), "true");
  EXPECT_EQ(evaluate("record(1)"), "undefined");
}

// Text is counted in UTF-8, as the functions get it, over all of a call's
// strings together; a call past the limit is refused (here: undefined, not
// the function's true). A string whose length alone passes it is never
// converted.
TEST_F(JsBridgeTest, TextPastTheLimitRefusesTheCall) {
  evaluate("globalThis.mebibytes16 = 16 * 1024 * 1024");
  evaluate("record('a'.repeat(mebibytes16 - 2), 'é')");
  ASSERT_EQ(lastArguments.count(), 2u);
  EXPECT_EQ(lastArguments.utf8(0).size() + lastArguments.utf8(1).size(), kMaxCallTextBytes);
  EXPECT_FALSE(lastArguments.overTextLimit());

  EXPECT_EQ(evaluate("giveTrue('a'.repeat(mebibytes16 - 1), 'é')"), "undefined");
  EXPECT_EQ(evaluate("giveTrue('é'.repeat(mebibytes16 / 2 + 1))"), "undefined");
  EXPECT_EQ(evaluate("giveTrue('a'.repeat(mebibytes16 + 1))"), "undefined");
  EXPECT_EQ(evaluate("giveTrue(7, 'a'.repeat(mebibytes16), true)"), "true");
}

TEST_F(JsBridgeTest, FailuresGiveUndefinedAndNeverThrowIntoThePage) {
  EXPECT_EQ(evaluate("giveNotHandled()"), "undefined");
  EXPECT_EQ(evaluate("fail()"), "undefined");
  EXPECT_EQ(evaluate("(() => { try { fail(); return 'ok'; } catch (e) { return 'caught'; } })()"), "\"ok\"");
}

}  // namespace
}  // namespace lumetra
