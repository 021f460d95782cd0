#include "receipt_folder.h"

#include <cstdio>
#include <fstream>
#include <regex>

namespace lumetra::virtual_printer {
namespace {

// The highest N of the folder's files receipt-N.EXT, EXT one of `extensions`
// (a regular expression); 0 when there are none.
int highestNumberIn(const std::filesystem::path& folder, const std::string& extensions) {
  const std::regex numbered(R"(receipt-(\d{4,9})\.()" + extensions + ")");
  int highest = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::smatch match;
    const std::string name = entry.path().filename().string();
    if (std::regex_match(name, match, numbered)) highest = std::max(highest, std::stoi(match[1]));
  }
  return highest;
}

std::string numberedName(int number, const char* extension) {
  char name[40];
  std::snprintf(name, sizeof name, "receipt-%04d.%s", number, extension);
  return name;
}

std::filesystem::path partName(const std::filesystem::path& file) {
  return file.parent_path() / ("." + file.filename().string() + ".part");
}

void writeText(const std::filesystem::path& file, const std::string& text) {
  const std::filesystem::path part = partName(file);
  std::ofstream out(part, std::ios::binary);
  out << text;
  out.close();
  if (!out) throw std::runtime_error("cannot write " + part.string());
  std::filesystem::rename(part, file);
}

// latest.EXT -> the file, replaced in one step so a reader never misses it.
void pointLatestAt(const std::filesystem::path& file, const char* extension) {
  const std::filesystem::path latest = file.parent_path() / (std::string("latest.") + extension);
  const std::filesystem::path part = partName(latest);
  std::filesystem::remove(part);
  std::filesystem::create_symlink(file.filename(), part);
  std::filesystem::rename(part, latest);
}

std::string quotedOrNull(const std::string& name) { return name.empty() ? "null" : "\"" + name + "\""; }

}  // namespace

ReceiptFolder::ReceiptFolder(std::filesystem::path folder, const ReceiptRenderer& renderer, Written written)
    : folder_(std::move(folder)), renderer_(renderer), written_(std::move(written)) {
  std::filesystem::create_directories(folder_);
  next_ = highestNumberIn(folder_, "txt|png") + 1;
  if (const int picture = highestNumberIn(folder_, "png")) latestPicture_ = numberedName(picture, "png");
  if (const int transcript = highestNumberIn(folder_, "txt")) latestTranscript_ = numberedName(transcript, "txt");
  announceToPages();
}

void ReceiptFolder::write(const std::string& transcript, const Receipt* receipt) {
  const int number = next_++;
  const std::filesystem::path text = folder_ / numberedName(number, "txt");
  writeText(text, transcript);
  std::filesystem::path picture;
  if (receipt) {
    picture = folder_ / numberedName(number, "png");
    renderer_.render(*receipt).savePng(partName(picture));
    std::filesystem::rename(partName(picture), picture);
    pointLatestAt(picture, "png");
    latestPicture_ = picture.filename().string();
  }
  pointLatestAt(text, "txt");
  latestTranscript_ = text.filename().string();
  announceToPages();
  if (written_) written_(text, receipt ? &picture : nullptr);
}

// A page opened from a file may not read files, but it may load a script:
// this is how the demo till learns which receipt to show.
void ReceiptFolder::announceToPages() const {
  writeText(folder_ / "latest.js", "virtualPrinterLatest({\"picture\": " + quotedOrNull(latestPicture_) +
                                       ", \"transcript\": " + quotedOrNull(latestTranscript_) + "});\n");
}

}  // namespace lumetra::virtual_printer
