#include "app/error_page.h"

namespace lumetra::shell {

std::string escapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> errorPageFor(const LoadFailure& failure) {
  if (failure.kind == LoadFailure::Kind::aborted) return std::nullopt;
  if (failure.kind == LoadFailure::Kind::unknownScheme && failure.frameUrl.starts_with("spotify:")) {
    return std::nullopt;
  }
  // URL and text come from the page: unescaped they would let a link inject
  // markup and script into the error page.
  return "<html><body bgcolor=\"white\"><h2>Failed to load URL " + escapeHtml(failure.failedUrl) + " with error " +
         escapeHtml(failure.text) + " (" + std::to_string(failure.code) + ").</h2></body></html>";
}

}  // namespace lumetra::shell
