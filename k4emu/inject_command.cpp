#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "emulator/socket_client.h"
#include "emulator/socket_protocol.h"
#include "k4emu/k4emu_commands.h"
#include "platform/input_file.h"

namespace raidmon::k4emu {

namespace {

// Reads at most kMaxInjectBytes + 1 bytes, so an oversized file is noticed unread. A
// named file must be a regular one (a FIFO or a device is never waited on); "-" reads
// standard input, whatever it is.
Result<std::string> readEventFile(const std::string& path) {
  std::string text;
  if (path != "-") {
    InputFile file = InputFile::open(path);
    if (!file.ok()) return Unexpected("cannot open " + path + ": " + describe(file.status()));
    if (file.readPrefix(emu::kMaxInjectBytes + 1, text) != InputFileStatus::kOk) {
      return Unexpected("cannot read " + path);
    }
    return text;
  }
  text.resize(emu::kMaxInjectBytes + 1);
  std::cin.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (std::cin.bad()) return Unexpected("cannot read " + path);
  text.resize(static_cast<std::size_t>(std::cin.gcount()));
  return text;
}

}  // namespace

int injectCommand(const std::vector<std::string>& args) {
  std::string socketPath, filePath;
  std::vector<std::string> events;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--socket" || a == "--file") && i + 1 < args.size()) {
      (a == "--socket" ? socketPath : filePath) = args[++i];
    } else if (a.rfind("--socket=", 0) == 0) {
      socketPath = a.substr(9);
    } else if (a.rfind("--file=", 0) == 0) {
      filePath = a.substr(7);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "k4emu inject: unexpected '%s'\n%s", a.c_str(), usage().c_str());
      return kExitFailed;
    } else if (a.find('\n') != std::string::npos) {
      std::fprintf(stderr, "k4emu inject: one event per argument\n");
      return kExitFailed;
    } else {
      events.push_back(a);
    }
  }
  if (socketPath.empty()) {
    std::fprintf(stderr, "k4emu inject: --socket PATH is needed\n%s", usage().c_str());
    return kExitFailed;
  }
  std::string text;
  for (const std::string& e : events) text += e + "\n";
  if (!filePath.empty()) {
    const Result<std::string> fileText = readEventFile(filePath);
    if (!fileText) {
      std::fprintf(stderr, "k4emu inject: %s\n", fileText.error().c_str());
      return kExitFailed;
    }
    text += *fileText;
  }
  if (text.empty()) {
    std::fprintf(stderr, "k4emu inject: no event given\n%s", usage().c_str());
    return kExitFailed;
  }
  if (text.size() > emu::kMaxInjectBytes) {
    std::fprintf(stderr, "k4emu inject: more than %zu bytes of events\n", emu::kMaxInjectBytes);
    return kExitFailed;
  }

  const auto connection = emu::SocketConnection::connect(socketPath);
  if (!connection) {
    std::fprintf(stderr, "k4emu inject: %s\n", connection.error().c_str());
    return kExitFailed;
  }
  (*connection)->setReplyTimeout(std::chrono::seconds(30));
  if (const Result<void> injected = (*connection)->inject(text); !injected) {
    std::fprintf(stderr, "k4emu inject: %s\n", injected.error().c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace raidmon::k4emu
