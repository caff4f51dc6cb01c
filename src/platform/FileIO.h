#pragma once
// Whole-file reading and atomic writing, for the program's own text files (settings file,
// key map files). Errors come back as values with readable text.
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

struct ReadResult {
  ReadStatus status = ReadStatus::Missing;
  std::string bytes;  // the file's bytes when status is Ok
  std::string error;  // readable text ("path: reason") otherwise
};

// Reads the whole file. Missing: no such file (not an error for callers that skip absent
// files). Failed: it exists but cannot be read (permission, I/O error, a folder). TooLarge:
// larger than limit bytes; nothing is read.
ReadResult ReadWholeFile(const std::string& path, std::size_t limit);

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, never half
// of one. A path that is a symbolic link stays one: its target is written, in the target's
// folder (created when the link dangles). The old file's permission bits are kept. On failure the
// temporary file is removed, the old file is untouched, and err (when given) receives "path:
// reason".
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* err);

}  // namespace platform
