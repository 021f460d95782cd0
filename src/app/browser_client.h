#pragma once

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "app/console_log.h"
#include "app/notice/printer_notice_window.h"
#include "app/security/certificate_guard.h"
#include "app/web_context.h"

namespace lumetra::shell {

// The client of the main view and of every popup the pages open: popup
// placement, titles, console log, load errors and certificates, the close protocol, process
// messages (the printer notice among them), and the end of the application when the last view has closed.
// Everything runs on the GTK main thread.
class BrowserClient {
 public:
  BrowserClient(WebSetup setup, std::filesystem::path startupDirectory, LogRotation consoleLogRotation,
                CertificateJudge certificateJudge);
  BrowserClient(const BrowserClient&) = delete;
  BrowserClient& operator=(const BrowserClient&) = delete;

  // Puts the main view into `window` and loads `url` in it.
  void createMainBrowser(GtkWindow* window, const std::string& url);
  // What the printer notice shows of the shell's settings.
  void setNoticeSettings(NoticeSettings settings) { printerNotice_.setSettings(std::move(settings)); }

 private:
  void sendToMainPage(std::string_view name, GVariant* parameters);
  // Life span:
  WebKitWebView* newView(WebKitWebView* related);
  GtkWindow* newPopupWindow(WebKitWebView* popup);
  static void onViewDestroyed(GtkWidget* view, gpointer client);
  static gboolean onWindowDelete(GtkWidget* window, GdkEvent* event, gpointer view);
  static void onViewClose(WebKitWebView* view, gpointer client);

  // Popups (popup_windows.cc):
  static GtkWidget* onCreate(WebKitWebView* opener, WebKitNavigationAction* action, gpointer client);
  static void onReadyToShow(WebKitWebView* popup, gpointer client);
  static void onWindowNameRead(GObject* popup, GAsyncResult* result, gpointer client);
  void showPopup(WebKitWebView* popup, const std::string& targetName);

  // Display and messages:
  static void onTitleChanged(WebKitWebView* view, GParamSpec* property, gpointer client);
  static gboolean onUserMessage(WebKitWebView* view, WebKitUserMessage* message, gpointer client);
  // Whether the web extension trusts the view's main document: geolocation
  // for it, and the staff's notice for the main view's.
  void notePageTrust(WebKitWebView* view, GVariant* parameters);

  // Loading:
  static gboolean onLoadFailed(WebKitWebView* view, WebKitLoadEvent event, const char* uri, GError* error,
                               gpointer client);
  static void onLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer client);
  static void onWebProcessTerminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason, gpointer client);

  WebSetup setup_;
  ConsoleLog consoleLog_;
  PrinterNoticeWindow printerNotice_;
  CertificateGuard certificates_;  // tells printerNotice_ of refusals
  WebKitWebView* mainView_ = nullptr;
  GtkWindow* mainWindow_ = nullptr;
  int browserCount_ = 0;  // views created and not yet destroyed
  bool traceMessages_ = false;
};

}  // namespace lumetra::shell
