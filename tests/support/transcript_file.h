// Reads the transcript the program writes with --transcript, as it grows: one line per
// item the operator is shown, "time<TAB>kind<TAB>text...". Tests compare lines without
// their time field.
#pragma once

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace raidmon::test {

class TranscriptFile {
 public:
  explicit TranscriptFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The whole file as written so far (time fields included).
  std::string text() const {
    std::ifstream in(path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The lines written so far without their time field ("kind\ttext\t...").
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) out.push_back(withoutTime(line));
    return out;
  }
  int count(const std::string& line) const {
    int n = 0;
    for (const auto& l : lines()) n += l == line;
    return n;
  }
  // Waits until `line` has appeared at least `times` times (up to `seconds`).
  bool waitFor(const std::string& line, int times, int seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (count(line) >= times) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return false;
  }

  // A line without its time field; a line without a tab stays as it is.
  static std::string withoutTime(const std::string& line) {
    const auto tab = line.find('\t');
    return tab == std::string::npos ? line : line.substr(tab + 1);
  }

 private:
  std::string path_;
};

}  // namespace raidmon::test
