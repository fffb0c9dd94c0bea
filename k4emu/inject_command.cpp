#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "emulator/socket_client.h"
#include "emulator/socket_protocol.h"
#include "k4emu/k4emu_commands.h"

namespace raidmon::k4emu {

namespace {

// Reads at most kMaxInjectBytes + 1 bytes, so an oversized file is noticed unread.
bool readEventFile(const std::string& path, std::string& text, std::string& error) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(path, std::ios::binary);
    if (!file) {
      error = "cannot open " + path;
      return false;
    }
    in = &file;
  }
  text.resize(emu::kMaxInjectBytes + 1);
  in->read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in->bad()) {
    error = "cannot read " + path;
    return false;
  }
  text.resize(static_cast<std::size_t>(in->gcount()));
  return true;
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
    std::string fileText, error;
    if (!readEventFile(filePath, fileText, error)) {
      std::fprintf(stderr, "k4emu inject: %s\n", error.c_str());
      return kExitFailed;
    }
    text += fileText;
  }
  if (text.empty()) {
    std::fprintf(stderr, "k4emu inject: no event given\n%s", usage().c_str());
    return kExitFailed;
  }
  if (text.size() > emu::kMaxInjectBytes) {
    std::fprintf(stderr, "k4emu inject: more than %zu bytes of events\n", emu::kMaxInjectBytes);
    return kExitFailed;
  }

  std::string error;
  const auto connection = emu::SocketConnection::connect(socketPath, error);
  if (!connection) {
    std::fprintf(stderr, "k4emu inject: %s\n", error.c_str());
    return kExitFailed;
  }
  connection->setReplyTimeout(std::chrono::seconds(30));
  if (!connection->inject(text, error)) {
    std::fprintf(stderr, "k4emu inject: %s\n", error.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace raidmon::k4emu
