#include "app/certificate_judge.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/log.h"
#include "support/temp_dir.h"

namespace lumetra::shell {
namespace {

using Outcome = CertificateVerdict::Outcome;

std::string fingerprint(const std::string& pair) {
  std::string text;
  for (int i = 0; i < 32; ++i) text += (i ? ":" : "") + pair;
  return text;
}

const std::string kA = fingerprint("AA");
const std::string kB = fingerprint("BB");
const std::string kC = fingerprint("C0");
constexpr const char* kListed = "listed in [pinned_certificates] of lumetra.conf";
constexpr const char* kPinned = "pinned at its first use in certificates.pinned";
constexpr const char* kUnlisted = "none: certificates = verify, and the host is not listed in [pinned_certificates]";

std::string pinFile(const std::string& lines) { return "[pinned_certificates]\n" + lines; }

TEST(CertificateJudgeTest, EachModeWeighsListedAndPinnedCertificates) {
  struct Case {
    const char* name;
    CertificateMode mode;
    CertificatePins listed;
    std::string pins;  // certificates.pinned before
    std::string host, presented;
    Outcome outcome;
    std::vector<std::string> expected;
    std::string basis;
  };
  const Case cases[] = {
      {"pinned, same",
       CertificateMode::pinFirstUse,
       {},
       "pos.shop = " + kA,
       "pos.shop",
       kA,
       Outcome::accepted,
       {kA},
       kPinned},
      {"pinned, changed",
       CertificateMode::pinFirstUse,
       {},
       "pos.shop = " + kA,
       "pos.shop",
       kB,
       Outcome::refused,
       {kA},
       kPinned},
      {"pinned, host in capitals",
       CertificateMode::pinFirstUse,
       {},
       "POS.Shop = " + kA,
       "pos.SHOP",
       kB,
       Outcome::refused,
       {kA},
       kPinned},
      {"first use",
       CertificateMode::pinFirstUse,
       {},
       "other = " + kA,
       "pos.shop",
       kB,
       Outcome::pinned,
       {kB},
       "pinned at its first use now"},
      {"listed over pinned",
       CertificateMode::pinFirstUse,
       {{"pos.shop", {kA, kC}}},
       "pos.shop = " + kB,
       "pos.shop",
       kB,
       Outcome::refused,
       {kA, kC},
       kListed},
      {"listed, second of two",
       CertificateMode::pinFirstUse,
       {{"pos.shop", {kA, kC}}},
       "",
       "pos.shop",
       kC,
       Outcome::accepted,
       {kA, kC},
       kListed},
      {"verify, listed",
       CertificateMode::verify,
       {{"pos.shop", {kA}}},
       "",
       "pos.shop",
       kA,
       Outcome::accepted,
       {kA},
       kListed},
      {"verify, listed, changed",
       CertificateMode::verify,
       {{"pos.shop", {kA}}},
       "",
       "pos.shop",
       kB,
       Outcome::refused,
       {kA},
       kListed},
      {"verify, unlisted",
       CertificateMode::verify,
       {{"pos.shop", {kA}}},
       "",
       "ads.example",
       kA,
       Outcome::refused,
       {},
       kUnlisted},
      {"verify ignores pins of first use",
       CertificateMode::verify,
       {},
       "pos.shop = " + kA,
       "pos.shop",
       kA,
       Outcome::refused,
       {},
       kUnlisted},
      {"no host to pin",
       CertificateMode::pinFirstUse,
       {},
       "",
       "pos.shop\n[x]",
       kA,
       Outcome::refused,
       {},
       "none: not a host name or address"},
      {"accept any",
       CertificateMode::acceptAny,
       {{"pos.shop", {kA}}},
       "pos.shop = " + kA,
       "pos.shop",
       kB,
       Outcome::accepted,
       {},
       "certificates = accept-any"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const auto file =
        c.pins.empty() ? dir.path() / "certificates.pinned" : dir.write("certificates.pinned", pinFile(c.pins + "\n"));
    const std::string before = c.pins.empty() ? "" : test::readFile(file);
    CertificateJudge judge({c.mode, c.listed}, file);
    const CertificateVerdict verdict = judge.judge(c.host, c.presented);
    EXPECT_EQ(verdict.outcome, c.outcome);
    EXPECT_EQ(verdict.expected, c.expected);
    EXPECT_EQ(verdict.basis, c.basis);
    EXPECT_TRUE(verdict.firstInRun);
    // Only a first use changes the file.
    if (c.outcome != Outcome::pinned) {
      EXPECT_TRUE(c.pins.empty() ? !std::filesystem::exists(file) : test::readFile(file) == before);
    }
  }
}

// The pin of a first use is in the file, private, and holds after a
// restart; each host and certificate is news once a run.
TEST(CertificateJudgeTest, APinOfFirstUseIsKeptPrivatelyAndHoldsAfterARestart) {
  test::TempDir dir;
  const auto file = dir.path() / "certificates.pinned";
  {
    CertificateJudge judge({}, file);
    EXPECT_EQ(judge.judge("127.0.0.1", kA).outcome, Outcome::pinned);
    const CertificateVerdict again = judge.judge("127.0.0.1", kA);
    EXPECT_EQ(again.outcome, Outcome::accepted);
    EXPECT_FALSE(again.firstInRun);
    EXPECT_EQ(judge.judge("pos.shop", kB).outcome, Outcome::pinned);
    const CertificateVerdict changed = judge.judge("127.0.0.1", kB);
    EXPECT_EQ(changed.outcome, Outcome::refused);
    EXPECT_TRUE(changed.firstInRun);
    EXPECT_FALSE(judge.judge("127.0.0.1", kB).firstInRun);
  }
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  const std::string text = test::readFile(file);
  EXPECT_TRUE(text.ends_with("\n[pinned_certificates]\n127.0.0.1 = " + kA + "\npos.shop = " + kB + "\n")) << text;
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "certificates.pinned.new"));

  CertificateJudge restarted({}, file);
  EXPECT_EQ(restarted.judge("127.0.0.1", kB).outcome, Outcome::refused);
  EXPECT_EQ(restarted.judge("pos.shop", kB).outcome, Outcome::accepted);
}

// A page can make the till meet any number of hosts; a pin file that
// cannot be read must not make every host new again.
TEST(CertificateJudgeTest, NoNewPinWhenThePinsAreFullOrUnreadableAndAnUnsavedPinHoldsForTheRun) {
  std::vector<std::string> lines;
  ScopedLogCapture capture([&](LogLevel, std::string_view line) { lines.emplace_back(line); });
  test::TempDir dir;
  std::string full;
  for (std::size_t i = 0; i < kMostPinnedHosts; ++i) full += "h" + std::to_string(i) + " = " + kA + "\n";
  CertificateJudge judge({}, dir.write("full.pinned", pinFile(full)));
  EXPECT_EQ(judge.judge("h999", kA).outcome, Outcome::accepted);
  const CertificateVerdict refused = judge.judge("one.more", kA);
  EXPECT_EQ(refused.outcome, Outcome::refused);
  EXPECT_EQ(refused.basis, "none: certificates.pinned holds 1000 hosts already");

  std::filesystem::create_directory(dir.path() / "folder.pinned");
  CertificateJudge unreadable({}, dir.path() / "folder.pinned");
  EXPECT_EQ(unreadable.judge("pos.shop", kA).basis,
            "none: " + (dir.path() / "folder.pinned").string() + " cannot be read");

  CertificateJudge unsaved({}, dir.path() / "missing" / "certificates.pinned");
  EXPECT_EQ(unsaved.judge("pos.shop", kA).outcome, Outcome::pinned);
  EXPECT_EQ(unsaved.judge("pos.shop", kB).outcome, Outcome::refused);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(lines.back().starts_with("cannot keep the certificate pins (cannot create ")) << lines.back();
}

TEST(CertificateJudgeTest, PinLinesTakeHostsAndFingerprintsInTheFormsVendorsCopyThem) {
  struct Case {
    std::string host, fingerprints;
    std::optional<std::vector<std::string>> pinned;  // nothing: the line is refused
  };
  std::string lowerBare;
  for (int i = 0; i < 32; ++i) lowerBare += "c0";
  std::string nine;
  for (int i = 0; i < 9; ++i) nine += (i ? "," : "") + fingerprint("0" + std::to_string(i));
  const Case cases[] = {
      {" POS.Shop ", " " + kA + " ", std::vector{kA}},
      {"192.168.1.5", lowerBare, std::vector{kC}},
      {"fe80::1", kA + "," + fingerprint("aa") + ", " + kB, std::vector{kA, kB}},
      {"pos.shop", kA.substr(3), std::nullopt},         // 31 bytes
      {"pos.shop", kA + ":AA", std::nullopt},           // 33 bytes
      {"pos.shop", "ZZ" + kA.substr(2), std::nullopt},  // not hex
      {"pos.shop", kA + ", garbage", std::nullopt},
      {"pos.shop", "", std::nullopt},
      {"pos.shop", nine, std::nullopt},  // more than a vendor needs to roll certificates over
      {"pos shop", kA, std::nullopt},
      {"[::1]", kA, std::nullopt},
      {std::string(254, 'h'), kA, std::nullopt},
      {"", kA, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host + " = " + c.fingerprints);
    CertificatePins pins;
    EXPECT_EQ(addPinLine(pins, c.host, c.fingerprints), c.pinned.has_value());
    if (c.pinned) {
      ASSERT_EQ(pins.size(), 1u);
      EXPECT_EQ(pins.begin()->second, *c.pinned);
    } else {
      EXPECT_TRUE(pins.empty());
    }
  }
  EXPECT_EQ(parseCertificateMode(" Verify "), CertificateMode::verify);
  EXPECT_EQ(parseCertificateMode("pin-first-use"), CertificateMode::pinFirstUse);
  EXPECT_EQ(parseCertificateMode("accept-any"), CertificateMode::acceptAny);
  EXPECT_FALSE(parseCertificateMode("accept_any"));
  EXPECT_FALSE(parseCertificateMode("verify,"));
}

}  // namespace
}  // namespace lumetra::shell
