#include "base/trusted_origins.h"

#include <gtest/gtest.h>

namespace lumetra {
namespace {

struct TrustCase {
  const char* list;
  const char* document;  // as the web process learns it
  bool trusted;
};

// Each row: a shop's list and a document that the list must let in or keep
// out, the tricks a page could play among them.
TEST(TrustedOriginsTest, DocumentsAreTrustedExactlyWhenTheirOriginOrFolderIsListed) {
  const TrustCase cases[] = {
      {"https://pos.example.com", "https://pos.example.com", true},
      {"https://pos.example.com", "http://pos.example.com", false},
      {"https://pos.example.com", "https://pos.example.com:8443", false},
      {"https://pos.example.com", "https://ads.example.net", false},
      {"https://pos.example.com", "https://pos.example.com.ads.example.net", false},
      {"HTTPS://POS.Example.COM:443/till/index.html", "https://pos.example.com", true},
      {"https://pos.example.com:443", "https://pos.example.com", true},
      {"http://pos.example.com:80", "http://pos.example.com:80", true},
      {"http://192.168.1.5:8080", "http://192.168.1.5:8080", true},
      {"http://192.168.1.5:8080", "http://192.168.1.50:8080", false},
      {"http://[::1]:8080", "http://[::1]:8080", true},
      {"https://user@pos.example.com", "https://pos.example.com", false},
      {"pos.example.com", "https://pos.example.com", false},
      {"ftp://pos.example.com", "ftp://pos.example.com", false},
      {"http://a.example, https://b.example", "https://b.example", true},
      {"https://pos.example.com", "null", false},
      {"", "null", false},

      {"/opt/pos/www", "file:///opt/pos/www/index.html", true},
      {"/opt/pos/www/", "file:///opt/pos/www/customer/display.html?x#y", true},
      {"file:///opt/pos/www/", "file://localhost/opt/pos/www/index.html", true},
      {"/opt/pos/www", "file://otherhost/opt/pos/www/index.html", false},
      {"/opt/pos/www", "file:///opt/pos/www-old/index.html", false},
      {"/opt/pos/www", "file:///opt/pos/www", false},
      {"/opt/pos/www", "file:///opt/pos/index.html", false},
      {"/opt/pos/www", "file:///opt/pos/www/../secrets/page.html", false},
      {"/opt/pos/www", "file:///opt/pos/www/%2E%2E/secrets/page.html", false},
      {"/opt/pos/www", "file:///opt/pos/www%2F..%2Fsecrets/page.html", false},
      {"/opt/pos/www", "file:///opt/pos/www/%00/index.html", false},
      {"/opt/pos/www", "file:///opt/pos/www/%zz.html", false},
      {"/opt/pos/www", "file:///opt/pos//www/index.html", true},
      {"/opt/pos/../pos/www", "file:///opt/pos/www/index.html", false},
      {"/opt/收银/www", "file:///opt/%E6%94%B6%E9%93%B6/www/index.html", true},
      {"file:///opt/my%20shop/", "file:///opt/my%20shop/index.html", true},
      {"/opt/pos/www", "https://pos.example.com", false},
      {"https://pos.example.com", "file:///opt/pos/www/index.html", false},
  };
  for (const TrustCase& row : cases) {
    SCOPED_TRACE(std::string(row.list) + " | " + row.document);
    EXPECT_EQ(TrustedOrigins::fromList(row.list).trusts(row.document), row.trusted);
  }
}

TEST(TrustedOriginsTest, TheStartPageVouchesForItsOriginOrItsFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://pos.example.com/till?table=3", "https://pos.example.com"},
      {"http://192.168.1.5:8080/", "http://192.168.1.5:8080"},
      {"file:///Vandrel/assets/www/index.html", "file:///Vandrel/assets/www/"},
      {"file:///opt/my%20shop/index.html#start", "file:///opt/my%20shop/"},
      {"file:///index.html", "file:///"},
      {"about:blank", ""},
      {"data:text/html,hello", ""},
      {"file:///opt/../etc/index.html", ""},
  };
  for (const auto& [startPage, list] : cases) {
    SCOPED_TRACE(startPage);
    EXPECT_EQ(TrustedOrigins::ofStartPage(startPage).toList(), list);
  }
  const TrustedOrigins shop = TrustedOrigins::ofStartPage("file:///Vandrel/assets/www/index.html");
  EXPECT_TRUE(shop.trusts("file:///Vandrel/assets/www/customer.html"));
  EXPECT_FALSE(shop.trusts("file:///Vandrel/assets/index.html"));
}

// The list goes from the UI process to the web process as text: whatever
// it held comes back the same, and what could not be read is named.
TEST(TrustedOriginsTest, TheCanonicalListReadsBackAndUnreadableEntriesAreNamed) {
  std::vector<std::string> unreadable;
  const TrustedOrigins trusted = TrustedOrigins::fromList(
      " https://POS.example.com:443/till,, 192.168.1.5:8080 /opt/my shop,/opt/a%b /opt/c?d https://pos.example.com "
      "file://host/x https://a@b http://h:99999 /opt/../etc",
      &unreadable);
  EXPECT_EQ(unreadable, (std::vector<std::string>{"192.168.1.5:8080", "shop", "file://host/x", "https://a@b",
                                                  "http://h:99999", "/opt/../etc"}));
  const std::string list = trusted.toList();
  EXPECT_EQ(list, "https://pos.example.com file:///opt/my/ file:///opt/a%25b/ file:///opt/c%3Fd/");
  EXPECT_EQ(TrustedOrigins::fromList(list).toList(), list);
  EXPECT_TRUE(TrustedOrigins::fromList(list).trusts("file:///opt/a%25b/index.html"));
  EXPECT_TRUE(TrustedOrigins().empty());
  EXPECT_TRUE(TrustedOrigins::fromList(" ,, ").empty());
}

TEST(TrustedOriginsTest, OriginsAreNamedAsAnInstallerWouldListThem) {
  EXPECT_EQ(originName("http://ads.example.net:80"), "http://ads.example.net");
  EXPECT_EQ(originName("http://127.0.0.2:8080"), "http://127.0.0.2:8080");
  EXPECT_EQ(originName("file:///opt/other%20shop/page.html?x"), "file:///opt/other%20shop/");
  EXPECT_EQ(originName("null"), "null");
  EXPECT_EQ(originName("data:text/html,x"), "null");
}

}  // namespace
}  // namespace lumetra
