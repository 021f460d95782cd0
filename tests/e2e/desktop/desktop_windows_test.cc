// Before the X11 headers: their None and Bool macros break gtest.
#include <gtest/gtest.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <vector>

#include "e2e/support/processes.h"
#include "e2e/support/x_server.h"
#include "e2e/support/x_windows.h"
#include "functions/host_functions.h"
#include "support/temp_dir.h"
#include "support/test_context.h"

namespace lumetra {
namespace {

CallArguments title(const std::string& text) { return CallArguments({CallArgument::string(text)}); }

// A top-level window of another program, as the functions under test see it.
class TestWindow {
 public:
  TestWindow(Display* display, bool takesDeleteProtocol = true)
      : display_(display), id_(XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 200, 100, 0, 0, 0)) {
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    if (takesDeleteProtocol) XSetWMProtocols(display, id_, &deleteWindow, 1);
  }
  ~TestWindow() { XDestroyWindow(display_, id_); }

  void setModernTitle(const std::string& utf8) {
    XChangeProperty(display_, id_, XInternAtom(display_, "_NET_WM_NAME", False),
                    XInternAtom(display_, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  }
  // WM_NAME only, in compound text (how old programs carry Chinese titles).
  void setLegacyTitle(const std::string& utf8) {
    char* list[] = {const_cast<char*>(utf8.c_str())};
    XTextProperty property{};
    Xutf8TextListToTextProperty(display_, list, 1, XCompoundTextStyle, &property);
    XSetWMName(display_, id_, &property);
    XFree(property.value);
  }
  void show() {
    XMapWindow(display_, id_);
    XSync(display_, False);
  }

  Window id() const { return id_; }
  // The window manager has put it into a frame of its own and given it the
  // WM_STATE by which the functions tell it from the frame (openbox sets
  // that after reparenting, so a frame alone is not yet enough).
  bool isManaged() const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    XQueryTree(display_, id_, &root, &parent, &children, &count);
    if (children) XFree(children);
    return parent != root && e2e::isManaged(display_, id_);
  }
  bool isMinimised() const {
    return e2e::isMinimised(display_, id_) && e2e::hasState(display_, id_, "_NET_WM_STATE_HIDDEN");
  }
  // Takes one close request sent to this window, if one has arrived.
  bool takeCloseRequest() {
    XSync(display_, False);
    XEvent event;
    if (!XCheckTypedWindowEvent(display_, id_, ClientMessage, &event)) return false;
    return event.xclient.message_type == XInternAtom(display_, "WM_PROTOCOLS", False) &&
           event.xclient.data.l[0] == static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  }

 private:
  Display* display_;
  Window id_;
};

class DesktopWindowsTest : public ::testing::Test {
 protected:
  explicit DesktopWindowsTest(bool windowManager) : x_({.windowManager = windowManager}) {}

  TestWindow& window(const std::string& modernTitle, bool takesDeleteProtocol = true) {
    windows_.push_back(std::make_unique<TestWindow>(x_.connection(), takesDeleteProtocol));
    windows_.back()->setModernTitle(modernTitle);
    windows_.back()->show();
    return *windows_.back();
  }

  e2e::XServer x_;
  test::ScopedEnv display_{"DISPLAY", x_.display()};
  std::vector<std::unique_ptr<TestWindow>> windows_;
  CallResult call(std::string_view name, const CallArguments& arguments) { return host_.call(name, arguments); }
  test::HostContext host_;
};

class WithWindowManager : public DesktopWindowsTest {
 protected:
  WithWindowManager() : DesktopWindowsTest(true) {}
};

class WithoutWindowManager : public DesktopWindowsTest {
 protected:
  WithoutWindowManager() : DesktopWindowsTest(false) {}
};

// The window manager acts on requests in the order they were made, so once
// the last window is iconic, any stray iconify before it would have shown.
TEST_F(WithWindowManager, MinimisesOnlyTheWindowWithExactlyThatTitle) {
  TestWindow& target = window("顾客显示");
  TestWindow& similar = window("顾客显示 2");
  TestWindow& last = window("Velmora");
  ASSERT_TRUE(e2e::eventually([&] { return target.isManaged() && similar.isManaged() && last.isManaged(); }));

  EXPECT_EQ(call("setWindowMinisize", title("顾客显示")), CallResult::boolean(true));
  EXPECT_TRUE(e2e::eventually([&] { return target.isMinimised(); }));

  EXPECT_EQ(call("setWindowMinisize", title("顾客")), CallResult::boolean(true));
  EXPECT_EQ(call("setWindowMinisize", title("")), CallResult::boolean(true));
  EXPECT_EQ(call("setWindowMinisize", {}), CallResult::boolean(false));
  EXPECT_EQ(call("setWindowMinisize", CallArguments({CallArgument::string("顾客显示 2"), CallArgument::string("x")})),
            CallResult::boolean(false));
  EXPECT_EQ(call("setWindowMinisize", title("Velmora")), CallResult::boolean(true));
  ASSERT_TRUE(e2e::eventually([&] { return last.isMinimised(); }));
  EXPECT_FALSE(e2e::isMinimised(x_.connection(), similar.id()));
}

TEST_F(WithWindowManager, FindsTheProgramsWindowInsideTheFrameByItsLegacyTitle) {
  auto legacy = std::make_unique<TestWindow>(x_.connection());
  legacy->setLegacyTitle("厨房打印");
  legacy->show();
  ASSERT_TRUE(e2e::eventually([&] { return legacy->isManaged(); }));

  EXPECT_EQ(call("closeOtherWindow", title("厨房打印")), CallResult::boolean(true));
  EXPECT_TRUE(e2e::eventually([&] { return legacy->takeCloseRequest(); }));
  EXPECT_EQ(call("setWindowMinisize", title("厨房打印")), CallResult::boolean(true));
  EXPECT_TRUE(e2e::eventually([&] { return legacy->isMinimised(); }));
}

// Close requests reach the test's own connection in the order they were
// sent, so once the last one is in, any stray one would be in too.
TEST_F(WithoutWindowManager, AsksOnlyTheWindowWithThatTitleToClose) {
  TestWindow& till = window("收银台");
  TestWindow& untitled = window("");
  TestWindow& withoutProtocol = window("无协议", false);
  TestWindow& last = window("厨房");

  EXPECT_EQ(call("closeOtherWindow", title("收银台")), CallResult::boolean(true));
  EXPECT_TRUE(e2e::eventually([&] { return till.takeCloseRequest(); }));

  EXPECT_EQ(call("closeOtherWindow", title("没有这个窗口")), CallResult::boolean(true));
  EXPECT_EQ(call("closeOtherWindow", title("")), CallResult::boolean(true));
  EXPECT_EQ(call("closeOtherWindow", title("无协议")), CallResult::boolean(true));
  EXPECT_EQ(call("closeOtherWindow", {}), CallResult::boolean(false));
  EXPECT_EQ(call("closeOtherWindow", title("厨房")), CallResult::boolean(true));
  ASSERT_TRUE(e2e::eventually([&] { return last.takeCloseRequest(); }));
  EXPECT_FALSE(till.takeCloseRequest());
  EXPECT_FALSE(untitled.takeCloseRequest());
  EXPECT_FALSE(withoutProtocol.takeCloseRequest());
}

}  // namespace
}  // namespace lumetra
