#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_pictures.h"

namespace lumetra::test {

// A receipt with every kind of item and a logo in the middle, as a task for
// `printerName` / `ipaddress` of `printerType` with the model RQ2.
inline std::string sampleReceiptTask(const std::string& printerName, const std::string& ipaddress, int printerType) {
  const std::string logo = base64(greyPng(8, 1, [](unsigned x, unsigned) { return x == 0 ? 0 : 255; }));
  return R"({"printerName":")" + printerName + R"(","ipaddress":")" + ipaddress + R"(","printerType":)" +
         std::to_string(printerType) +
         R"(,"printerModel":"RQ2","printerWidth":10,"printerFlag":0,"contents":[)"
         R"({"type":0,"content":"欢迎","remark":3},)"
         R"({"type":0,"content":"A1","remark":9},)"
         R"({"type":0,"content":"Tea","remark":4,"paraLen":1,"para":[1]},)"
         R"({"type":2,"content":")" +
         logo +
         R"("},)"
         R"({"type":1,"remark":0,"paraLen":1,"para":[25]},)"
         R"({"type":1,"remark":2,"paraLen":3,"para":[0,25,250]},)"
         R"({"type":1,"remark":3},)"
         R"({"type":1,"remark":1}]})";
}

// What the printer receives for it, write by write: the text before the
// logo, the logo, the commands after it.
inline std::vector<std::string> sampleReceiptWrites() {
  return {hexBytes("1b 40  1d 21 11 bb b6 d3 ad  41 31 0d 0a  1d 21 00") + "   Tea\n",
          hexBytes("1b 40  1d 76 30 00 01 00 18 00  80") + std::string(23, '\0') + hexBytes("1b 4a 00"),
          hexBytes("1b 4a 46 1b 4a 46 1b 4a 23  1b 70 00 19 fa  1b 42 03 02 00  1d 56 00")};
}

}  // namespace lumetra::test
