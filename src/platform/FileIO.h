#pragma once
// Whole-file reading and atomic writing, for the program's own text files (settings file,
// key map files). Errors come back as values with readable text.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/LargeBuffers.h"

namespace platform {

enum class ReadStatus { Ok, Missing, Failed, TooLarge };

template <class Buffer>
struct BasicReadResult {
  ReadStatus status = ReadStatus::Missing;
  Buffer bytes;       // the file's bytes when status is Ok
  std::string error;  // readable text ("path: reason") otherwise
};
using ReadResult = BasicReadResult<std::string>;
// A picture file's: megabytes, in a buffer of large pages (LargeBuffers.h).
using ReadBytesResult = BasicReadResult<ByteBuffer>;

// Reads the whole file. Missing: no such file (not an error for callers that skip absent
// files). Failed: it exists but cannot be read (permission, I/O error, a folder). TooLarge:
// larger than limit bytes; nothing is read.
ReadResult ReadWholeFile(const std::string& path, std::size_t limit);

// Looks at a file's first bytes before anything more is read: given them (all of a shorter file)
// and the file's size, it answers whether the rest is wanted.
using HeadCheck = std::function<bool(std::string_view head, std::uint64_t size)>;

// ReadWholeFile in two steps: the first headBytes bytes, then the rest only when check answers
// true. When it answers false the status is Ok and bytes hold the head alone.
ReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::size_t headBytes,
                         const HeadCheck& check);
ReadBytesResult ReadWholeFileBytes(const std::string& path, std::size_t limit,
                                   std::size_t headBytes, const HeadCheck& check);

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it over
// path, so that a crash or a full disk leaves either the old file or the new one, never half
// of one. A path that is a symbolic link stays one: its target is written, in the target's
// folder (created when the link dangles). The old file's permission bits are kept. On failure the
// temporary file is removed, the old file is untouched, and err (when given) receives "path:
// reason". Unflushed, the rename may reach the disk before the bytes do: only for files whose
// loss or truncation in a crash costs nothing (a cache), where a flush would cost more.
enum class Flush { ToDisk, Unflushed };
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* err,
                         Flush flush = Flush::ToDisk);

// Writes all of bytes to fd, going on after interruptions: 0, or the errno of the failure (EIO
// for a write that took nothing). written, when given, receives the bytes written.
int WriteAll(int fd, std::string_view bytes, std::size_t* written = nullptr);

}  // namespace platform
