// The message box of code that has no window of its own (the bridge library).
#pragma once

#include <string_view>

namespace raidmon {

// Writes "<caption>\n<text>\n" to standard error in one write; never throws.
void showStderrMessageBox(std::string_view caption, std::string_view text);

// A message box with an OK button where someone can see and answer it, standard error
// (as showStderrMessageBox) everywhere else, so a run without a user never blocks on
// it. On Windows the box (MessageBoxA) is shown when the process's window station is
// visible and standard error is a console or absent (a program started from the
// desktop); standard error redirected to a file or pipe (a test, a service, a log) gets
// the text. Elsewhere always standard error. Returns once the message is out.
void showLibraryMessageBox(std::string_view caption, std::string_view text);

}  // namespace raidmon
