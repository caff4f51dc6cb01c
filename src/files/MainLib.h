#pragma once
// Path and copy helpers: the caption's short path, the choice of a free destination name that
// never overwrites anything and recognises a file already delivered, and copy and move into a
// folder with an outcome code.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Path.h"

// Outcome of CopyToFolder / MoveToFolder. The numbers are shared with the status reporting.
enum class FileOutcome : std::int32_t {
  Moved = 0,
  FolderMissing = 1,
  AlreadyThere = 2,
  NoName = 3,
  CopyFailed = 4,
  SourceKept = 5,
  Copied = 9,
};

struct FileOperationResult {
  bool ok = false;
  std::string newPath;  // where the file now lies, when ok
  FileOutcome outcome = FileOutcome::Moved;
};

struct DestinationName {
  std::string path;             // empty when none was formed
  bool identicalFound = false;  // a numbered file in the folder already holds the contents
};

// Every doubled separator replaced by one, in one pass over non-overlapping pairs (so three
// separators become two).
std::string ReplaceDoubledSeparators(std::string_view path,
                                     platform::PathStyle style = platform::kNativeStyle);

// folder + separator + name, without a second separator after a folder that ends in one.
std::string JoinPath(std::string_view folder, std::string_view name,
                     platform::PathStyle style = platform::kNativeStyle);

// "C:\photos\2010\summer\a.jpg" -> "C:\...\summer\a.jpg"; paths with two separators or fewer
// are returned as they are (after ReplaceDoubledSeparators).
std::string ShortenPath(std::string_view path, platform::PathStyle style = platform::kNativeStyle);

// Base 36 with digits 0-9a-z; empty for a negative number.
std::string CounterText(std::int32_t n);

// The path without its extension, and without a final "(counter)" group of letters or digits
// when the file name part is longer than three characters: "photo(3)" -> "photo".
std::string NumberedStem(std::string_view pathWithoutExt,
                         platform::PathStyle style = platform::kNativeStyle);

// A free name for source's file name in folder: the plain name, else the first free
// stem(0).ext, stem(1).ext ... Numbered names that exist are compared with the source; an
// identical one sets identicalFound and returns no name. The plain name is never compared.
// Throws std::runtime_error when a file to compare cannot be opened.
DestinationName MakeDestinationName(const std::string& source, const std::string& folder);

// Whether the two files hold the same bytes; false when either is not a file. Two paths naming
// one file are equal. Constant memory. Throws std::runtime_error when one cannot be opened.
bool SameContents(const std::string& a, const std::string& b);

// wanted when nothing lies there and alsoFree (when given) accepts it, else the first numbered
// name stem(0).ext, stem(1).ext ... that passes both; empty when none is found. No contents are
// compared: this is the name for a file coming back to where it was.
std::string FreeName(const std::string& wanted,
                     const std::function<bool(const std::string&)>& alsoFree = {});

// The file operations of CopyToFolder and MoveToFolder to a name already chosen: ok with
// Copied, or with Moved or SourceKept; otherwise CopyFailed. Never overwrites.
FileOperationResult CopyFileTo(const std::string& source, const std::string& target);
FileOperationResult MoveFileTo(const std::string& source, const std::string& target);

// Copies source into folder under MakeDestinationName's name: ok with Copied and the new path,
// or not ok with FolderMissing, AlreadyThere, NoName or CopyFailed. Never overwrites: a name
// taken meanwhile by another program makes the operation fail. Throws as MakeDestinationName.
FileOperationResult CopyToFolder(const std::string& source, const std::string& folder);
// Renames when it can; otherwise copies, and deletes the source only after a complete copy.
// ok with Moved, or with SourceKept when the source could not be deleted; failures and throws
// as CopyToFolder.
FileOperationResult MoveToFolder(const std::string& source, const std::string& folder);
