#pragma once
// Path rules shared by every part. Paths are UTF-8 byte strings. The rules take a PathStyle so
// that the Windows behaviour the program first had stays testable on Linux; the
// program itself passes kNativeStyle.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativeStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativeStyle = PathStyle::Posix;
#endif

// "\" for Windows, "/" for Posix.
char Separator(PathStyle style);
// True for the style's separator only; a Windows drive colon is no separator.
bool IsSeparator(char c, PathStyle style);

// Index of the last separator (Windows: or drive colon), or npos.
std::size_t LastDelimiter(std::string_view path, PathStyle style);

// "C:\pics\a.jpg" -> "C:\pics\" ; "a.jpg" -> "".
std::string ExtractFilePath(std::string_view path, PathStyle style);
// "C:\pics\a.jpg" -> "C:\pics" ; "C:\a.jpg" -> "C:\" ; "/a.jpg" -> "/".
std::string ExtractFileDir(std::string_view path, PathStyle style);
// "C:\pics\a.jpg" -> "a.jpg".
std::string ExtractFileName(std::string_view path, PathStyle style);
// "a.b.JPG" -> ".JPG"; "" when the name has no dot. The dot of a folder name does not count.
std::string ExtractFileExt(std::string_view path, PathStyle style);
// Replaces (or adds) the extension; ext includes its dot or is empty.
std::string ChangeFileExt(std::string_view path, std::string_view ext, PathStyle style);

// path ending in a separator: one is added unless it is there; "" gives the separator alone.
std::string IncludeTrailingPathDelimiter(std::string_view path, PathStyle style);
// path without its last character when that is a separator, even a root's: "/" gives "".
std::string ExcludeTrailingPathDelimiter(std::string_view path, PathStyle style);

// Windows: "C:\" or "C:" or "\"; Posix: "/".
bool IsRootPath(std::string_view path, PathStyle style);
// Windows: starts with a drive ("C:") or a separator; Posix: starts with "/".
bool IsAbsolutePath(std::string_view path, PathStyle style);

// Whether ext (".jpg", dot included) is one of the blank-separated extensions of list
// (".bmp .gif .JPG"), compared whole and without regard to ASCII letter case. An empty ext is in
// no list: "x.pn" is no picture and a name without a dot has no extension to match.
bool IsListedExtension(std::string_view ext, std::string_view list);

// The same test against a list read once: a folder of many thousands of names asks it of each.
class ExtensionSet {
 public:
  explicit ExtensionSet(std::string_view list);
  bool Contains(std::string_view ext) const;

 private:
  std::vector<std::string> lowered_;
};

// ASCII-only lower-casing: bytes of UTF-8 multi-byte characters are left alone.
std::string LowerAscii(std::string_view text);

}  // namespace platform
