#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "glyph_font.h"
#include "print_session.h"
#include "receipt_folder.h"
#include "receipt_renderer.h"
#include "support/temp_dir.h"

namespace lumetra::virtual_printer {
namespace {

using test::hexBytes;

// Byte streams as Lumetra writes them with the shipped model settings, and
// the transcripts a web developer should see for them.
class DecodingTest : public ::testing::Test {
 protected:
  // Prints the stream in pieces of `piece` bytes; returns every transcript
  // written, oldest first.
  std::vector<std::string> print(const std::string& bytes, std::size_t piece = std::string::npos) {
    PrintSession session("test", folder_, 576);
    for (std::size_t at = 0; at < bytes.size(); at += std::min(piece, bytes.size())) {
      session.receive(std::string_view(bytes).substr(at, piece));
    }
    session.finish();
    std::vector<std::string> transcripts;
    for (int number = 1; std::filesystem::exists(transcriptFile(number)); ++number) {
      transcripts.push_back(test::readFile(transcriptFile(number)));
    }
    return transcripts;
  }

  std::filesystem::path transcriptFile(int number) const {
    char name[32];
    std::snprintf(name, sizeof name, "receipt-%04d.txt", number);
    return dir_.path() / name;
  }

  test::TempDir dir_;
  GlyphFont font_{kDefaultFontFile};
  ReceiptRenderer renderer_{font_};
  ReceiptFolder folder_{dir_.path(), renderer_};
};

// printTask on an RQ2 printer: a title at double size, a total line, a
// thank-you line with CR LF, a 25-line feed, a cut, then the drawer and the
// beep (whose fifth table byte is a 0 the model file leaves unset).
const std::string kPrintTaskReceipt = hexBytes(
    "1b 40  1d 21 11 cc e1 ca be 0a  1d 21 00 ba cf bc c6 20 31 32 2e 35 30 0a"
    "54 68 61 6e 6b 73 0d 0a  1b 4a 46 1b 4a 46 1b 4a 23  1d 56 00"
    "1b 70 00 3c 78  1b 42 03 02 00");

TEST_F(DecodingTest, PrintTaskReceiptIsCutIntoTwoPiecesWithEveryCommandNamed) {
  const std::vector<std::string> transcripts = print(kPrintTaskReceipt);
  ASSERT_EQ(transcripts.size(), 2u);
  EXPECT_EQ(transcripts[0],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "     0  1b 40                             ESC @             initialise\n"
            "     2  1d 21 11                          GS ! 17           character size 2 wide, 2 tall\n"
            "     5  cc e1 ca be                       text              \"提示\"\n"
            "     9  0a                                LF                print line and feed\n"
            "    10  1d 21 00                          GS ! 0            character size 1 wide, 1 tall\n"
            "    13  ba cf bc c6 20 31 32 2e +2        text              \"合计 12.50\"\n"
            "    23  0a                                LF                print line and feed\n"
            "    24  54 68 61 6e 6b 73                 text              \"Thanks\"\n"
            "    30  0d                                CR                carriage return (ignored: the line is "
            "printed by LF)\n"
            "    31  0a                                LF                print line and feed\n"
            "    32  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    35  1b 4a 46                          ESC J 70          print and feed 70 dots\n"
            "    38  1b 4a 23                          ESC J 35          print and feed 35 dots\n"
            "    41  1d 56 00                          GS V 0            full cut\n"
            "not understood: nothing\n");
  EXPECT_EQ(transcripts[1],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "    44  1b 70 00 3c 78                    ESC p 0 60 120    cash drawer pulse on pin 2: on 120 ms, "
            "off 240 ms\n"
            "    49  1b 42 03 02                       ESC B 3 2         buzzer 3 times, 100 ms each\n"
            "    53  00                                NUL               nothing (skipped by printers)\n"
            "not understood: nothing\n");
}

TEST_F(DecodingTest, DirectPrinterFunctionsAndKitchenTicketDecode) {
  // printText(zoomIn), rollPaper(4), openCashDraw, cutPaper(name, 1) on RQ2;
  // then a kitchen ticket on QV52K: signal, ESC ! sizes, pre-feed, cut.
  const std::vector<std::string> transcripts =
      print(hexBytes("1d 21 11 cc e1 ca be 1d 21 00  0a 1d 21 00  1b 4a 1c  1b 70 01 32 32  1d 56 01"
                     "1b 43 03 01 01  1b 21 30 bf a7 b7 c8 0a 1b 21 00  1b 4a 15 1b 4a 03  1d 56 01"));
  ASSERT_EQ(transcripts.size(), 2u);
  EXPECT_EQ(transcripts[0],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "     0  1d 21 11                          GS ! 17           character size 2 wide, 2 tall\n"
            "     3  cc e1 ca be                       text              \"提示\"\n"
            "     7  1d 21 00                          GS ! 0            character size 1 wide, 1 tall\n"
            "    10  0a                                LF                print line and feed\n"
            "    11  1d 21 00                          GS ! 0            character size 1 wide, 1 tall\n"
            "    14  1b 4a 1c                          ESC J 28          print and feed 28 dots\n"
            "    17  1b 70 01 32 32                    ESC p 1 50 50     cash drawer pulse on pin 5: on 100 ms, "
            "off 100 ms\n"
            "    22  1d 56 01                          GS V 1            partial cut\n"
            "not understood: nothing\n");
  EXPECT_EQ(transcripts[1],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "    25  1b 43 03 01 01                    ESC C 3 1 1       signal buzzer 3 times (1, 1)\n"
            "    30  1b 21 30                          ESC ! 48          print mode: double height, double width\n"
            "    33  bf a7 b7 c8                       text              \"咖啡\"\n"
            "    37  0a                                LF                print line and feed\n"
            "    38  1b 21 00                          ESC ! 0           print mode: normal\n"
            "    41  1b 4a 15                          ESC J 21          print and feed 21 dots\n"
            "    44  1b 4a 03                          ESC J 3           print and feed 3 dots\n"
            "    47  1d 56 01                          GS V 1            partial cut\n"
            "not understood: nothing\n");
}

// A logo as the image printer sends it: ESC @, then 24-row bands of GS v 0,
// each followed by the model's ESC J 0.
std::string logoBands(int bands) {
  std::string bytes = hexBytes("1b 40");
  for (int band = 0; band < bands; ++band) {
    bytes += hexBytes("1d 76 30 00 30 00 18 00") + std::string(48 * 24, '\x55') + hexBytes("1b 4a 00");
  }
  return bytes;
}

TEST_F(DecodingTest, RasterBandsAreNamedWithTheirSizeAndDataSummarised) {
  const std::vector<std::string> transcripts = print(logoBands(2) + hexBytes("1d 56 00"));
  ASSERT_EQ(transcripts.size(), 1u);
  EXPECT_EQ(transcripts[0],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "     0  1b 40                             ESC @             initialise\n"
            "     2  1d 76 30 00 30 00 18 00 +1152     GS v 0 0          raster image 384 x 24 dots\n"
            "  1162  1b 4a 00                          ESC J 0           print and feed 0 dots\n"
            "  1165  1d 76 30 00 30 00 18 00 +1152     GS v 0 0          raster image 384 x 24 dots\n"
            "  2325  1b 4a 00                          ESC J 0           print and feed 0 dots\n"
            "  2328  1d 56 00                          GS V 0            full cut\n"
            "not understood: nothing\n");
}

TEST_F(DecodingTest, UnknownAndTruncatedBytesAreListedAndWhatPaperLosesIsNoted) {
  // An unknown ESC z, an invalid GBK byte pair, text that a following
  // ESC @ throws away, and a raster band cut short by the end of the stream.
  const std::vector<std::string> transcripts =
      print(hexBytes("1b 7a ff b0 0a 41 42 1b 40 43 1d 76 30 00 30 00 18 00 ff ff"));
  ASSERT_EQ(transcripts.size(), 1u);
  EXPECT_EQ(transcripts[0],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "     0  1b 7a ff b0                       ?                 not understood\n"
            "     4  0a                                LF                print line and feed\n"
            "     5  41 42                             text              \"AB\"\n"
            "     7  1b 40                             ESC @             initialise (discards unprinted text: 2 "
            "characters)\n"
            "     9  43                                text              \"C\"\n"
            "    10  1d 76 30 00 30 00 18 00 +2        ?                 not understood\n"
            "note: text never printed (no LF, feed or cut after it): 1 character\n"
            "not understood: 4 bytes at offset 0: 1b 7a ff b0\n"
            "not understood: 10 bytes at offset 10: 1d 76 30 00 30 00 18 00 +2\n");
}

TEST_F(DecodingTest, StatusCommandsAreNamedAndNeverPrintedAsText) {
  // DLE EOT 4, GS a 255, a process ID request, a GS ( H of another function
  // (skipped whole) and an ID request cut short by the end of the stream
  // (both one not-understood entry, as unknown bytes in a row are).
  const std::vector<std::string> transcripts =
      print(hexBytes("10 04 04 1d 61 ff 41 0a 1d 28 48 06 00 30 30 31 32 33 34 1d 28 48 02 00 31 00 1d 28 48 06"));
  ASSERT_EQ(transcripts.size(), 1u);
  EXPECT_EQ(transcripts[0],
            "source: test\n"
            "offset  bytes                             command           meaning\n"
            "     0  10 04 04                          DLE EOT 4         real-time status request\n"
            "     3  1d 61 ff                          GS a 255          automatic status back on\n"
            "     6  41                                text              \"A\"\n"
            "     7  0a                                LF                print line and feed\n"
            "     8  1d 28 48 06 00 30 30 31 +3        GS ( H 48         process ID request \"1234\" (answered once "
            "printed)\n"
            "    19  1d 28 48 02 00 31 00 1d +3        ?                 not understood\n"
            "not understood: 11 bytes at offset 19: 1d 28 48 02 00 31 00 1d +3\n");
}

TEST_F(DecodingTest, StreamArrivingByteByByteDecodesAsWhenItArrivesWhole) {
  const std::string stream = kPrintTaskReceipt + logoBands(1) + hexBytes("1b 7a ff b0 0a 1d 56 42 10 b9 fa");
  const std::vector<std::string> whole = print(stream);
  std::filesystem::remove_all(dir_.path());
  ReceiptFolder fresh(dir_.path(), renderer_);
  PrintSession session("test", fresh, 576);
  for (char byte : stream) session.receive(std::string_view(&byte, 1));
  session.finish();
  std::vector<std::string> piecewise;
  for (int number = 1; std::filesystem::exists(transcriptFile(number)); ++number) {
    piecewise.push_back(test::readFile(transcriptFile(number)));
  }
  EXPECT_EQ(piecewise, whole);
  EXPECT_EQ(whole.size(), 3u);
}

}  // namespace
}  // namespace lumetra::virtual_printer
