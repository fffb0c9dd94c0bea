// Replacing a file's whole content at once, for the settings files: readers see the
// old content or the new, never a part, and a failed write leaves the old file as it was.
#pragma once

#include <string>
#include <string_view>

namespace raidmon {

// Writes `text` to a new file beside `fileName` and puts it in the file's place (through
// symbolic links, to their last target), keeping the old file's permissions. False, with
// the old file untouched, when the file is read-only, is not a regular file, or any step
// fails.
bool replaceFileContents(const std::string& fileName, std::string_view text);

}  // namespace raidmon
