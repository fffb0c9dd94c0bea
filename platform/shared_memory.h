// Named shared memory of a fixed size, private to the user: the stand-in for a
// paging-file mapping created by name and mapped for reading and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace raidmon {

// One mapped view. Not copyable; unmapped when destroyed. Any thread may use the
// bytes; the view itself does no locking.
class SharedView {
 public:
  // Creates (or, when an object of that name is left over from an earlier run of this
  // process id, reopens) the POSIX shared memory object "/<word>.<pid>" with mode 0600,
  // sizes it, maps `size` bytes for reading and writing and unlinks the name, so no
  // other process can open it afterwards. Refuses an existing object that belongs to
  // another user, is open to group or others, or has a size other than `size`.
  // Returns null with `error` set on any failure; nothing is left mapped or open then.
  static std::unique_ptr<SharedView> create(std::string_view word, std::size_t size,
                                            std::string& error);

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
