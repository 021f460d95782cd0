#include "app/downloads.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "base/log.h"

namespace lumetra::shell {
namespace {

// The chosen path, or empty when the user cancels.
std::string askWhereToSave(const std::string& fileName) {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(nullptr, nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  if (const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS)) {
    gtk_file_chooser_set_current_folder(chooser, documents);
  }
  gtk_file_chooser_set_current_name(chooser, fileName.c_str());
  std::string chosen;
  if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    char* path = gtk_file_chooser_get_filename(chooser);
    if (path) chosen = path;
    g_free(path);
  }
  gtk_widget_destroy(dialog);
  return chosen;
}

gboolean onDecideDestination(WebKitDownload* download, const char* suggestedName, gpointer ask) {
  // Only the last part of the suggested name: it comes from the server.
  char* base = g_path_get_basename(suggestedName && *suggestedName ? suggestedName : "download");
  const std::string name = std::string_view(base) == "." || std::string_view(base) == G_DIR_SEPARATOR_S
                               ? std::string("download")
                               : std::string(base);
  g_free(base);
  const std::string path = GPOINTER_TO_INT(ask) ? askWhereToSave(name) : downloadPath(name);
  if (path.empty()) {
    webkit_download_cancel(download);
    return TRUE;
  }
  // Destinations are file URIs, not paths.
  char* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
  if (!uri) {
    logf(LogLevel::warning, "cannot save a download to %s", path.c_str());
    webkit_download_cancel(download);
    return TRUE;
  }
  webkit_download_set_destination(download, uri);
  g_free(uri);
  return TRUE;
}

void onDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer ask) {
  g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), ask);
}

}  // namespace

std::string downloadPath(const std::string& fileName) {
  const char* documents = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
  if (!documents || !*documents) return {};
  char* path = g_build_filename(documents, fileName.c_str(), nullptr);
  std::string result = path;
  g_free(path);
  return result;
}

void handleDownloads(WebKitWebContext* context, bool askWhereToSave) {
  g_signal_connect(context, "download-started", G_CALLBACK(onDownloadStarted), GINT_TO_POINTER(askWhereToSave));
}

}  // namespace lumetra::shell
