#include "app/helpers/select_file_helper.h"

#include <gtk/gtk.h>

#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "base/log.h"

namespace lumetra::shell {
namespace {

// GTK matches patterns case-sensitively; the chooser should still offer
// "SONG.MP3" for "*.mp3", as the shop's staff would expect.
std::string caseInsensitivePattern(std::string_view pattern) {
  std::string result;
  for (const char c : pattern) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalpha(byte)) {
      result += {'[', static_cast<char>(std::tolower(byte)), static_cast<char>(std::toupper(byte)), ']'};
    } else {
      result += c;
    }
  }
  return result;
}

GtkWidget* newChooser(const char* filterName, const char* pattern) {
  // Button texts from GTK's own catalogue, so they follow the desktop's language.
  GtkWidget* chooser =
      gtk_file_chooser_dialog_new("打开", nullptr, GTK_FILE_CHOOSER_ACTION_OPEN, g_dgettext("gtk30", "_Cancel"),
                                  GTK_RESPONSE_CANCEL, g_dgettext("gtk30", "_Open"), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, filterName);
  gtk_file_filter_add_pattern(filter, caseInsensitivePattern(pattern).c_str());
  gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
  gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser), TRUE);
  // The shop's own folder, where its files are, rather than GTK's recent files.
  gchar* currentDirectory = g_get_current_dir();
  gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), currentDirectory);
  g_free(currentDirectory);
  gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  // The kiosk window covers the screen; the chooser must not open behind it.
  gtk_window_set_keep_above(GTK_WINDOW(chooser), TRUE);
  return chooser;
}

// Typed-in names can point anywhere; only an existing file is an answer, so
// the chooser stays open until it gets one or is cancelled.
std::optional<std::string> runChooser(GtkWidget* chooser) {
  while (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    std::optional<std::string> chosen;
    if (path && g_file_test(path, G_FILE_TEST_IS_REGULAR)) chosen = path;
    g_free(path);
    if (chosen) return chosen;
  }
  return std::nullopt;
}

}  // namespace

int runSelectFileHelper(std::span<char*> arguments) {
  if (arguments.size() != 2) {
    logf(LogLevel::warning, "select-file takes FILTER-NAME PATTERN");
    return 2;
  }
  if (!gtk_init_check(nullptr, nullptr)) {
    logf(LogLevel::warning, "select-file: cannot open the display");
    return 2;
  }
  GtkWidget* chooser = newChooser(arguments[0], arguments[1]);
  const std::optional<std::string> chosen = runChooser(chooser);
  gtk_widget_destroy(chooser);
  if (!chosen) return 1;
  std::fwrite(chosen->data(), 1, chosen->size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace lumetra::shell
