// The message box of code that has no window (the bridge library): on this platform
// the caption and the text go to standard error.
#pragma once

#include <string_view>

namespace raidmon {

// Writes "<caption>\n<text>\n" to standard error in one write; never throws.
void showStderrMessageBox(std::string_view caption, std::string_view text);

}  // namespace raidmon
