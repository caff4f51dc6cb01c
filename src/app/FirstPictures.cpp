#include "app/FirstPictures.h"

#include <sys/stat.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

constexpr std::string_view kFileName = "sortivo.first";
constexpr std::size_t kReadLimit = 1 << 20;

// One line: "device inode seconds nanoseconds rules<TAB>folder<TAB>name".
struct Line {
  FolderStamp stamp;
  std::uint64_t rules = 0;
  std::string folder;
  std::string name;
};

// The folder as its own key, whatever the working directory or a trailing separator.
std::string Key(const std::string& folder) {
  std::string key = platform::AbsolutePath(folder);
  while (key.size() > 1 && platform::IsSeparator(key.back(), platform::kNativeStyle))
    key.pop_back();
  return key;
}

bool Storable(std::string_view text) {
  return !text.empty() && text.find_first_of("\t\r\n") == std::string_view::npos;
}

std::vector<Line> ReadLines(const std::string& file) {
  std::vector<Line> lines;
  const platform::ReadResult read = platform::ReadWholeFile(file, kReadLimit);
  if (read.status != platform::ReadStatus::Ok) return lines;
  std::string_view rest(read.bytes);
  while (!rest.empty() && lines.size() < TFirstPictures::kKept) {
    const std::size_t end = rest.find('\n');
    // A last line without its end was cut short.
    if (end == std::string_view::npos) break;
    const std::string_view text = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    const std::size_t tab = text.find('\t');
    const std::size_t tab2 = tab == std::string_view::npos ? tab : text.find('\t', tab + 1);
    if (tab2 == std::string_view::npos) continue;
    Line line;
    const std::string numbers(text.substr(0, tab));
    unsigned long long device = 0, inode = 0;
    long long seconds = 0, nanoseconds = 0;
    unsigned long long rules = 0;
    int used = 0;
    if (std::sscanf(numbers.c_str(), "%llu %llu %lld %lld %llu%n", &device, &inode, &seconds,
                    &nanoseconds, &rules, &used) != 5 ||
        static_cast<std::size_t>(used) != numbers.size())
      continue;
    line.stamp = {device, inode, seconds, nanoseconds};
    line.rules = rules;
    line.folder = std::string(text.substr(tab + 1, tab2 - tab - 1));
    line.name = std::string(text.substr(tab2 + 1));
    if (!Storable(line.folder) || !Storable(line.name)) continue;
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

bool StampFolder(const std::string& folder, FolderStamp* stamp) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  *stamp = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
  return true;
}

std::string TFirstPictures::PathIn(const std::string& settingsFolder) {
  return platform::IncludeTrailingPathDelimiter(settingsFolder, platform::kNativeStyle) +
         std::string(kFileName);
}

std::uint64_t TFirstPictures::Rules(std::string_view imageExtensions) {
  // FNV-1a: the same value in every build, as the file outlives them.
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : imageExtensions) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string TFirstPictures::Find(const std::string& folder, const FolderStamp& stamp,
                                 std::uint64_t rules) const {
  const std::string key = Key(folder);
  for (const Line& line : ReadLines(file_))
    if (line.folder == key)
      return line.stamp == stamp && line.rules == rules ? line.name : std::string();
  return {};
}

bool TFirstPictures::Remember(const std::string& folder, const FolderStamp& stamp,
                              std::uint64_t rules, const std::string& name) const {
  const std::string key = Key(folder);
  if (!Storable(key) || !Storable(name) ||
      name.find(platform::Separator(platform::kNativeStyle)) != std::string::npos)
    return false;
  std::vector<Line> lines = ReadLines(file_);
  std::string text;
  const auto add = [&text](const Line& l) {
    char numbers[96];
    std::snprintf(
        numbers, sizeof numbers, "%llu %llu %lld %lld %llu",
        static_cast<unsigned long long>(l.stamp.device),
        static_cast<unsigned long long>(l.stamp.inode), static_cast<long long>(l.stamp.seconds),
        static_cast<long long>(l.stamp.nanoseconds), static_cast<unsigned long long>(l.rules));
    text += numbers;
    text += '\t' + l.folder + '\t' + l.name + '\n';
  };
  add({stamp, rules, key, name});
  std::size_t kept = 1;
  for (const Line& line : lines) {
    if (line.folder == key) continue;
    if (++kept > kKept) break;
    add(line);
  }
  return platform::WriteFileAtomically(file_, text, nullptr, platform::Flush::Unflushed);
}
