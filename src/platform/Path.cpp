#include "platform/Path.h"

#include <algorithm>

namespace platform {

char Separator(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

bool IsSeparator(char c, PathStyle style) {
  return c == Separator(style);
}

std::size_t LastDelimiter(std::string_view path, PathStyle style) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (IsSeparator(path[i], style)) return i;
    if (style == PathStyle::Windows && path[i] == ':') return i;
  }
  return std::string_view::npos;
}

std::string ExtractFilePath(std::string_view path, PathStyle style) {
  const std::size_t i = LastDelimiter(path, style);
  return i == std::string_view::npos ? std::string() : std::string(path.substr(0, i + 1));
}

std::string ExtractFileDir(std::string_view path, PathStyle style) {
  const std::size_t i = LastDelimiter(path, style);
  if (i == std::string_view::npos) return {};
  std::size_t end = i;
  const bool keepSeparator = IsSeparator(path[i], style) &&
                             (i == 0 || (style == PathStyle::Windows && path[i - 1] == ':') ||
                              (style == PathStyle::Posix && path.find_first_not_of('/') >= i));
  if (keepSeparator || path[i] == ':') end = i + 1;
  return std::string(path.substr(0, end));
}

std::string ExtractFileName(std::string_view path, PathStyle style) {
  const std::size_t i = LastDelimiter(path, style);
  return std::string(i == std::string_view::npos ? path : path.substr(i + 1));
}

std::string ExtractFileExt(std::string_view path, PathStyle style) {
  const std::size_t start = LastDelimiter(path, style);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return {};
  if (start != std::string_view::npos && dot < start) return {};
  return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext, PathStyle style) {
  const std::string current = ExtractFileExt(path, style);
  std::string result(path.substr(0, path.size() - current.size()));
  result += ext;
  return result;
}

std::string IncludeTrailingPathDelimiter(std::string_view path, PathStyle style) {
  std::string result(path);
  if (result.empty() || !IsSeparator(result.back(), style)) result += Separator(style);
  return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path, PathStyle style) {
  std::string result(path);
  if (!result.empty() && IsSeparator(result.back(), style)) result.pop_back();
  return result;
}

bool IsRootPath(std::string_view path, PathStyle style) {
  if (style == PathStyle::Posix) return !path.empty() && path.find_first_not_of('/') == path.npos;
  if (path == "\\") return true;
  return (path.size() == 2 || (path.size() == 3 && path[2] == '\\')) && path[1] == ':';
}

bool IsAbsolutePath(std::string_view path, PathStyle style) {
  if (path.empty()) return false;
  if (style == PathStyle::Posix) return path[0] == '/';
  return path[0] == '\\' || (path.size() >= 2 && path[1] == ':');
}

bool IsListedExtension(std::string_view ext, std::string_view list) {
  return ExtensionSet(list).Contains(ext);
}

ExtensionSet::ExtensionSet(std::string_view list) {
  std::size_t pos = 0;
  while (pos < list.size()) {
    const std::size_t end = std::min(list.find_first_of(" \t", pos), list.size());
    if (end > pos) lowered_.push_back(LowerAscii(list.substr(pos, end - pos)));
    pos = end + 1;
  }
}

bool ExtensionSet::Contains(std::string_view ext) const {
  if (ext.empty()) return false;
  for (const std::string& e : lowered_) {
    if (e.size() != ext.size()) continue;
    std::size_t i = 0;
    while (i < e.size() && e[i] == (ext[i] >= 'A' && ext[i] <= 'Z' ? ext[i] - 'A' + 'a' : ext[i]))
      ++i;
    if (i == e.size()) return true;
  }
  return false;
}

std::string LowerAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return result;
}

}  // namespace platform
