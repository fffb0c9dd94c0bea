// The project's one exception type for file and format errors: what() is the message
// the operator sees, and every UI entry point catches it at its edge and shows it.
#pragma once

#include <stdexcept>
#include <string>

namespace raidmon {

class RaidmonError : public std::runtime_error {
 public:
  explicit RaidmonError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace raidmon
