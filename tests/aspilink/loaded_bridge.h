// Test support: the real bridge library builds and the ASPI layer stand-in, loaded
// from the program directory, and a recording backend to put behind the layer.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/bridge_link.h"
#include "platform/aspi_standin.h"
#include "platform/program_dir.h"

namespace raidmon::test {

inline std::string bridgeLibraryPath(const std::string& word) {
  return programDirectory() + "libaspilink_" + word + ".so";
}

// One build of the bridge library, loaded with dlopen (its load attaches it).
class LoadedBridge {
 public:
  explicit LoadedBridge(const std::string& word) {
    handle_ = dlopen(bridgeLibraryPath(word).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
      const char* why = dlerror();
      error_ = why ? why : "dlopen failed";
      return;
    }
    if (auto e = bridgeExportsOf(handle_, error_)) exports_ = *e;
  }
  ~LoadedBridge() {
    if (handle_ != nullptr) dlclose(handle_);
  }
  LoadedBridge(const LoadedBridge&) = delete;
  LoadedBridge& operator=(const LoadedBridge&) = delete;

  bool ok() const { return exports_.TavrixIoControl != nullptr; }
  const std::string& error() const { return error_; }
  const BridgeExports& exports() const { return exports_; }

 private:
  void* handle_ = nullptr;
  BridgeExports exports_;
  std::string error_;
};

// What reached the device side of the ASPI layer, byte for byte.
struct RecordedRequest {
  std::uint8_t adapter = 0;
  std::uint8_t target = 0;
  aspi::SRB_ExecSCSICmd srb{};
  std::vector<std::uint8_t> buffer;  // as it arrived, SRB_BufLen bytes
};

// A backend that records every request and then answers it: through `device` when
// set (the emulated controller), otherwise with `answer` (which may be empty: the
// buffer goes back as it came). `succeed` = 0 makes the device fail the request.
class RecordingBackend {
 public:
  std::function<bool(std::uint8_t, std::uint8_t, std::uint8_t*, std::uint32_t)> device;
  std::function<void(std::uint8_t*, std::uint32_t)> answer;
  int succeed = 1;

  static int deliver(void* ctx, std::uint8_t adapter, std::uint8_t target,
                     const aspi::SRB_ExecSCSICmd* srb, std::uint8_t* buffer, std::uint32_t length) {
    auto* self = static_cast<RecordingBackend*>(ctx);
    {
      std::lock_guard lock(self->mu_);
      RecordedRequest r;
      r.adapter = adapter;
      r.target = target;
      std::memcpy(&r.srb, srb, sizeof r.srb);
      r.buffer.assign(buffer, buffer + length);
      self->requests_.push_back(std::move(r));
    }
    if (self->device) return self->device(adapter, target, buffer, length) ? 1 : 0;
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

// The stand-in with a backend attached for the fixture's lifetime; every switch back
// to normal when it goes.
class AttachedStandIn {
 public:
  AttachedStandIn() {
    std::string error;
    standIn_ = AspiStandIn::open(programDirectory(), error);
    EXPECT_TRUE(standIn_) << error;
  }
  ~AttachedStandIn() {
    if (!standIn_) return;
    standIn_->setStall(false);
    standIn_->setImmediateStatus(0);
    standIn_->detach();
  }
  AspiStandIn& operator*() { return *standIn_; }
  AspiStandIn* operator->() { return standIn_.get(); }
  explicit operator bool() const { return standIn_ != nullptr; }

 private:
  std::unique_ptr<AspiStandIn> standIn_;
};

}  // namespace raidmon::test
