#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumetra {

// The web origins and local folders whose pages the shop trusts with the
// window functions, and the one decision whether a document is among them.
// Both processes use it: the UI process reads the list from the settings,
// the web process judges each new document with it.
class TrustedOrigins {
 public:
  TrustedOrigins() = default;  // trusts nothing

  // A list as the settings hold it: entries separated by commas or blanks,
  // each a web origin ("https://pos.example.com", "http://192.168.1.5:8080";
  // a path after it is ignored, as trust is per origin) or a folder of local
  // pages ("/opt/pos/www" or "file:///opt/pos/www/"). Entries that are
  // neither are left out and added to `unreadable`.
  static TrustedOrigins fromList(std::string_view list, std::vector<std::string>* unreadable = nullptr);
  // What a start page vouches for: its origin, or for a file: page the
  // folder it is in; nothing for any other kind of URL.
  static TrustedOrigins ofStartPage(std::string_view url);

  bool empty() const { return origins_.empty() && folders_.empty(); }
  // The entries in their canonical form, blank-separated; fromList reads it
  // back to the same set.
  std::string toList() const;

  // `documentOrigin` is what the web process learned of a document: its
  // serialised origin ("http://127.0.0.1:8080"; "null" when opaque) or, for
  // a local file's origin, which WebKit serialises as "null" too, the URL of
  // that file. Web origins match exactly, default ports aside; a file
  // matches when its path lies inside a trusted folder, judged on the path
  // as the kernel would open it (so "." and ".." segments, percent-encoded
  // or not, are refused rather than resolved).
  bool trusts(std::string_view documentOrigin) const;

 private:
  std::vector<std::string> origins_;  // "scheme://host[:port]", lower case, no default port
  std::vector<std::string> folders_;  // absolute, decoded, single slashes, no trailing one ("" is the root)
};

// How stderr and the staff notice name a document's origin, in the form an
// installer adds to the list: the web origin, a local file's folder as a
// file: URL ending in '/', or "null" for an opaque origin.
std::string originName(std::string_view documentOrigin);

}  // namespace lumetra
