// Private-profile (Windows INI) files: reads and writes that keep the Windows format
// and read a hand-edited file as GetPrivateProfileString / WritePrivateProfileString do.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace raidmon {

// A file bigger than this is treated as unreadable: reads give "not found" and writes
// fail (rather than replace a file they could not read). Far above any settings file a
// person edits by hand, long comment blocks included.
inline constexpr std::size_t kMaxProfileFileSize = 64 * 1024 * 1024;

// "Unable to write to <full file name>": the message of the RaidmonError a refused
// write throws.
std::string profileWriteErrorText(const std::string& fileName);

// ---- Pure functions over the text of a file ----------------------------------------
//
// Format, as the Windows profile functions read it: CR, LF and CRLF each end a line; a line
// whose first non-blank character is '[' and which holds a ']' starts a section named by
// the text between the '[' and the last ']'; a line holding '=' inside a section is a
// key (name before the first '=', value after it); a line whose first non-blank
// character is ';' is a comment. Names compare without regard to ASCII case; blanks
// (space, tab, VT, FF and the Ctrl-Z end-of-file mark) around names and values are
// ignored; a value in matching single or double quotes loses them. A UTF-8 byte-order
// mark at the start of the text is not part of its first line (and is kept on writing). The first of duplicate sections and the first of duplicate keys win. Every
// other line (comments, text before the first section, lines without '=') is kept.

// The value of `key` in `section`, or nullopt when the section or key is missing.
std::optional<std::string> readProfileString(std::string_view text, std::string_view section,
                                             std::string_view key);

// The text after writing `key`=`value` into `section`: the key's first occurrence is
// replaced in place (keeping its line position and line ending); a missing key goes after
// the last non-blank line of the section; a missing section is added at the end of the
// text. New lines use the text's line-ending style (that of its first line: CR, LF or
// CRLF; CRLF when it has no line break). Every other byte of `text` is kept.
// Returns nullopt, leaving nothing written, when the entry cannot be stored in the format:
// a line break in any argument, a ']' in the section name, an empty key name, a key
// name holding '=' or starting with ';' or '['.
std::optional<std::string> writeProfileString(std::string_view text, std::string_view section,
                                              std::string_view key, std::string_view value);

// ---- Files -------------------------------------------------------------------------

enum class ProfileFileState {
  kLoaded,
  kMissing,     // no such file (or a missing directory on the way)
  kUnreadable,  // it exists but cannot be read: permissions, not a regular file, a read
                // error, bigger than kMaxProfileFileSize, or UTF-16 text (a byte-order
                // mark FF FE or FE FF first), which is neither read nor rewritten
};
struct ProfileFile {
  ProfileFileState state = ProfileFileState::kMissing;
  std::string text;  // the whole file when loaded
};
ProfileFile readProfileFile(const std::string& fileName);

// "Unable to read <file>": what the operator is told about a file that exists but
// cannot be read.
std::string profileReadErrorText(const std::string& fileName);

// The whole file, or nullopt when it is missing or unreadable (see ProfileFileState).
std::optional<std::string> loadProfileFile(const std::string& fileName);

// Replaces the file's contents safely against a crash: writes a temporary file in the
// same directory and renames it over the file (an existing file keeps its mode). A
// symbolic link is written through: the link stays and its last target gets the text.
// Throws RaidmonError (profileWriteErrorText) when the system refuses, and for a file without write
// permission (read-only, even for root); the old file is then left byte for byte and no
// temporary file stays behind.
void storeProfileFile(const std::string& fileName, std::string_view text);

// GetPrivateProfileString: the value, or nullopt when the file, section or key is
// missing or the file is unreadable (the caller applies its default).
std::optional<std::string> getPrivateProfileString(const std::string& fileName,
                                                   std::string_view section, std::string_view key);

// WritePrivateProfileString: writes one key, creating the file and the section when
// missing and keeping every other line. Throws RaidmonError when the file cannot be
// written, or exists but cannot be read (so its lines would be lost); throws
// std::invalid_argument when writeProfileString refuses the entry.
void writePrivateProfileString(const std::string& fileName, std::string_view section,
                               std::string_view key, std::string_view value);

}  // namespace raidmon
