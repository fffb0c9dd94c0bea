// Named shared memory of a fixed size, private to the user: the stand-in for a
// paging-file mapping created by name and mapped for reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace raidmon {

// One mapped view. Not copyable; unmapped when destroyed. Any thread may use the
// bytes; the view itself does no locking.
class SharedView {
 public:
  // Creates a new POSIX shared memory object with mode 0600 under a name no one can
  // tell in advance, "/<word>.<pid>.<16 random hex digits>", exclusively (an object
  // that already has the name is never opened: another name is drawn, up to
  // kNameAttempts times), sizes it, maps `size` bytes for reading and writing and
  // unlinks the name, so no other process can open it afterwards. On any failure the
  // result holds the reason, and nothing is left mapped, open or named.
  static Result<std::unique_ptr<SharedView>> create(std::string_view word, std::size_t size);
  // The same with the random numbers from `random` (tests).
  static Result<std::unique_ptr<SharedView>> create(
      std::string_view word, std::size_t size, const std::function<std::uint64_t()>& random);
  static constexpr int kNameAttempts = 16;

  ~SharedView();
  SharedView(const SharedView&) = delete;
  SharedView& operator=(const SharedView&) = delete;

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  // The name the object was created under (already unlinked).
  const std::string& name() const { return name_; }

 private:
  SharedView(std::uint8_t* data, std::size_t size, std::string name)
      : data_(data), size_(size), name_(std::move(name)) {}

  std::uint8_t* data_;
  std::size_t size_;
  std::string name_;
};

}  // namespace raidmon
