// Test support: the real bridge library builds and the ASPI layer stand-in, loaded
// from the program directory, and a recording backend to put behind the layer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "link/bridge_link.h"
#include "platform/aspi_standin.h"
#include "platform/dynamic_library.h"
#include "platform/program_dir.h"

#ifndef RAIDMON_BRIDGE_FILE_PREFIX
#error "RAIDMON_BRIDGE_FILE_PREFIX and _SUFFIX name the bridge library files (set by the build)"
#endif

namespace raidmon::test {

inline std::string bridgeLibraryPath(const std::string& word) {
  return programDirectory() + RAIDMON_BRIDGE_FILE_PREFIX + word + RAIDMON_BRIDGE_FILE_SUFFIX;
}

// One build of the bridge library, loaded at run time (its load attaches it).
class LoadedBridge {
 public:
  explicit LoadedBridge(const std::string& word) : handle_(openLibrary(bridgeLibraryPath(word), error_)) {
    if (handle_ == nullptr) return;
    if (auto e = bridgeExportsOf(handle_)) exports_ = *e;
    else error_ = e.error();
  }
  ~LoadedBridge() { closeLibrary(handle_); }
  bool ok() const { return exports_.TavrixIoControl != nullptr; }
  const std::string& error() const { return error_; }
  const BridgeExports& exports() const { return exports_; }

 private:
  std::string error_;  // before handle_: its initializer writes the reason here
  void* handle_;
  BridgeExports exports_;
};

// What reached the device side of the ASPI layer, byte for byte.
struct RecordedRequest {
  std::uint8_t adapter = 0;
  std::uint8_t target = 0;
  aspi::SRB_ExecSCSICmd srb{};
  std::vector<std::uint8_t> buffer;  // SRB_BufLen bytes as they arrived
};

// Records every request, then lets `answer` (if any) write into the buffer; returns
// `succeed` (0: the device fails the request).
class RecordingBackend {
 public:
  std::function<void(std::uint8_t*, std::uint32_t)> answer;
  int succeed = 1;

  static int deliver(void* ctx, std::uint8_t adapter, std::uint8_t target,
                     const aspi::SRB_ExecSCSICmd* srb, std::uint8_t* buffer, std::uint32_t length) {
    auto* self = static_cast<RecordingBackend*>(ctx);
    {
      std::lock_guard lock(self->mu_);
      self->requests_.push_back({adapter, target, *srb, {buffer, buffer + length}});
    }
    if (self->answer) self->answer(buffer, length);
    return self->succeed;
  }
  std::vector<RecordedRequest> requests() const {
    std::lock_guard lock(mu_);
    return requests_;
  }
  void clear() {
    std::lock_guard lock(mu_);
    requests_.clear();
  }

 private:
  mutable std::mutex mu_;
  std::vector<RecordedRequest> requests_;
};

// The stand-in for a fixture's lifetime; switches back to normal and detached after.
class AttachedStandIn {
 public:
  AttachedStandIn() {
    auto opened = AspiStandIn::open(programDirectory());
    EXPECT_TRUE(opened) << opened.error();
    if (opened) standIn_ = std::move(opened).value();
  }
  ~AttachedStandIn() {
    if (!standIn_) return;
    standIn_->setStall(false);
    standIn_->setImmediateStatus(0);
    standIn_->detach();
  }
  AspiStandIn* operator->() { return standIn_.get(); }
  explicit operator bool() const { return standIn_ != nullptr; }

 private:
  std::unique_ptr<AspiStandIn> standIn_;
};

}  // namespace raidmon::test
