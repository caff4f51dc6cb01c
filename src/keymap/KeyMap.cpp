#include "keymap/KeyMap.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "keymap/Completion.h"
#include "platform/FileIO.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultNames[] = {"head.txt", "tail.txt", "keymap.txt"};

bool BeginsWith(std::string_view line, std::string_view key, std::string_view marker) {
  return line.size() >= key.size() + marker.size() && line.starts_with(key) &&
         line.substr(key.size(), marker.size()) == marker;
}

std::string_view RestAfter(std::string_view line, std::size_t n) {
  return line.substr(n);
}

// Lines end at CR LF, LF or CR; a line end at the very end of the bytes opens no further line.
bool SplitLines(std::string_view bytes, TKeyMap::Lines& lines) {
  lines.clear();
  std::size_t start = 0;
  while (start < bytes.size()) {
    if (lines.size() >= TKeyMap::kMaxLines) return false;
    const std::size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
    if (bytes[end] == '\r' && start < bytes.size() && bytes[start] == '\n') ++start;
  }
  return true;
}

std::string JoinLines(const TKeyMap::Lines& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::string SectionOfHeader(std::string_view header) {
  const std::size_t close = header.find(']');
  return std::string(close == std::string_view::npos ? header.substr(1)
                                                     : header.substr(1, close - 1));
}

TKeyMap::LookupResult ResultOfEntry(std::string_view line, std::size_t keySize) {
  TKeyMap::LookupResult r;
  r.moveOnly = line.size() > keySize + 1 && line[keySize + 1] == '=';
  r.path = RestAfter(line, keySize + (r.moveOnly ? 2 : 1));
  return r;
}

}  // namespace

TKeyMap::TKeyMap(const std::string& headPath, const std::string& tailPath,
                 const std::string& keyMapPath, std::string defaultFolder,
                 platform::PathStyle style)
    : defaultFolder_(std::move(defaultFolder)), style_(style) {
  LoadFiles(headPath, tailPath, keyMapPath);
}

std::string TKeyMap::DefaultPath(File file) const {
  if (defaultFolder_.empty()) return kDefaultNames[file];
  return platform::IncludeTrailingPathDelimiter(defaultFolder_, platform::kNativeStyle) +
         kDefaultNames[file];
}

bool TKeyMap::LoadFiles(const std::string& headPath, const std::string& tailPath,
                        const std::string& keyMapPath) {
  loadError_.clear();
  bool ok = LoadOne(kHead, headPath);
  ok = LoadOne(kTail, tailPath) && ok;
  ok = LoadOne(kKeyMap, keyMapPath) && ok;
  return ok;
}

bool TKeyMap::LoadOne(File file, const std::string& configured) {
  Lines* const lists[] = {&headLines_, &tailLines_, &keyMapLines_};
  std::string* const paths[] = {&headPath_, &tailPath_, &keyMapPath_};
  Lines& lines = *lists[file];
  lines.clear();
  paths[file]->clear();
  source_[file].clear();
  unreadable_[file] = false;
  edited_[file] = false;

  // A folder, or nothing at all, is no file: the default is used instead. Anything else that
  // is there (a file without permission, a device, a link loop) is read or reported.
  auto present = [](const std::string& path) {
    std::error_code ec;
    const fs::file_type type = fs::status(path, ec).type();
    return type != fs::file_type::not_found && type != fs::file_type::directory;
  };
  std::string path;
  if (!configured.empty() && present(configured)) {
    path = configured;
    *paths[file] = configured;
  } else if (present(DefaultPath(file))) {
    path = DefaultPath(file);
  } else {
    return true;
  }
  source_[file] = path;

  std::string error;
  std::error_code ec;
  const fs::file_type type = fs::status(path, ec).type();
  if (type != fs::file_type::regular && type != fs::file_type::none &&
      type != fs::file_type::unknown) {
    error = path + ": not a regular file";
  } else {
    platform::ReadResult read = platform::ReadWholeFile(path, kMaxFileBytes);
    if (read.status == platform::ReadStatus::Missing) return true;  // gone meanwhile
    if (read.status != platform::ReadStatus::Ok)
      error = read.error;
    else if (!SplitLines(read.bytes, lines))
      error = path + ": more than " + std::to_string(kMaxLines) + " lines";
  }
  if (error.empty()) return true;
  lines.clear();
  unreadable_[file] = true;
  if (!loadError_.empty()) loadError_ += '\n';
  loadError_ += error;
  return false;
}

void TKeyMap::SaveFiles(const std::string& headPath, const std::string& tailPath,
                        const std::string& keyMapPath) {
  const Lines* const lists[] = {&headLines_, &tailLines_, &keyMapLines_};
  const std::string* const paths[] = {&headPath, &tailPath, &keyMapPath};
  std::string errors;
  auto report = [&errors](const std::string& text) {
    if (!errors.empty()) errors += '\n';
    errors += text;
  };
  for (int i = 0; i < kFileCount; ++i) {
    const File file = static_cast<File>(i);
    if (unreadable_[file]) {
      if (edited_[file])
        report(source_[file] + ": not saved, since it could not be read at start-up");
      continue;
    }
    const std::string& configured = *paths[file];
    const bool useConfigured = !configured.empty() && IsRegularFile(configured);
    const std::string path = useConfigured ? configured : DefaultPath(file);
    if (!useConfigured && !defaultFolder_.empty()) {
      std::error_code ec;  // a failure shows when the file is written
      fs::create_directories(defaultFolder_, ec);
    }
    std::string err;
    if (!platform::WriteFileAtomically(path, JoinLines(*lists[file]), &err))
      report(err.empty() ? path + ": cannot be written" : err);
  }
  if (!errors.empty()) throw std::runtime_error(errors);
}

TKeyMap::SectionRange TKeyMap::RangeAfter(std::size_t header) const {
  std::size_t j = header + 1;
  while (j < keyMapLines_.size() && !keyMapLines_[j].starts_with('[')) ++j;
  return {static_cast<std::ptrdiff_t>(header + 1), static_cast<std::ptrdiff_t>(j) - 1};
}

TKeyMap::SectionRange TKeyMap::FindSection(std::string_view name) const {
  for (std::size_t i = 0; i < keyMapLines_.size(); ++i) {
    const std::string& line = keyMapLines_[i];
    if (line.size() == name.size() + 2 && line.front() == '[' && line.back() == ']' &&
        std::string_view(line).substr(1, name.size()) == name)
      return RangeAfter(i);
  }
  return {};
}

bool TKeyMap::SelectSection(std::string_view name) {
  const SectionRange range = FindSection(name);
  if (!range.found()) return false;
  selectedLines_.assign(keyMapLines_.begin() + range.first, keyMapLines_.begin() + range.last + 1);
  selectedName_ = name;
  return true;
}

const TKeyMap::Lines& TKeyMap::SectionLines(std::string_view name) {
  if (name == "head") return headLines_;
  if (name == "tail") return tailLines_;
  SelectSection(name);
  return selectedLines_;
}

std::vector<TKeyMap::ListView> TKeyMap::ListsOf(std::string_view section,
                                                const HeaderIndex* headers) const {
  if (section.empty()) return {headLines_, selectedLines_, tailLines_};
  if (section == "head") return {headLines_};
  if (section == "tail") return {tailLines_};
  if (section == "selected") return {selectedLines_};
  SectionRange range;
  if (!headers) {
    range = FindSection(section);
  } else if (const auto it = headers->find("[" + std::string(section) + "]");
             it != headers->end()) {
    range = RangeAfter(it->second);
  }
  if (!range.found()) return {};
  return {ListView(keyMapLines_)
              .subspan(static_cast<std::size_t>(range.first),
                       static_cast<std::size_t>(range.last - range.first + 1))};
}

TKeyMap::LookupResult TKeyMap::Lookup(std::string_view section, std::string_view key) const {
  LookupResult result;
  if (key.empty()) return result;
  for (const ListView lines : ListsOf(section)) {
    bool found = false;
    for (const std::string& line : lines) {
      if (!BeginsWith(line, key, "=")) continue;
      std::string reminder = std::move(result.reminder);
      result = ResultOfEntry(line, key.size());
      result.reminder = std::move(reminder);
      found = true;
      break;
    }
    for (const std::string& line : lines) {
      if (!BeginsWith(line, key, ":=")) continue;
      result.reminder = RestAfter(line, key.size() + 2);
      break;
    }
    if (found) break;
  }
  return result;
}

std::string TKeyMap::PathOfKey(std::string_view key) const {
  if (key.empty()) return {};
  for (const ListView lines : ListsOf({}))
    for (const std::string& line : lines)
      if (BeginsWith(line, key, "=")) return ResultOfEntry(line, key.size()).path;
  return {};
}

TKeyMap::Lines* TKeyMap::EditableList(std::string_view section, std::size_t& begin,
                                      std::size_t& end, File& file) {
  Lines* lines = nullptr;
  if (section == "head") {
    lines = &headLines_;
    file = kHead;
  } else if (section == "tail") {
    lines = &tailLines_;
    file = kTail;
  } else {
    const SectionRange range = FindSection(section);
    if (!range.found()) return nullptr;
    file = kKeyMap;
    begin = static_cast<std::size_t>(range.first);
    end = static_cast<std::size_t>(range.last + 1);
    return &keyMapLines_;
  }
  begin = 0;
  end = lines->size();
  return lines;
}

bool TKeyMap::RemoveKey(std::string_view section, std::string_view key) {
  // An empty key would match every line that begins with "=" or ":=", free text included.
  if (key.empty()) return false;
  std::size_t begin = 0, end = 0;
  File file = kHead;
  Lines* lines = EditableList(section, begin, end, file);
  if (!lines) return false;
  const auto first = lines->begin() + static_cast<std::ptrdiff_t>(begin);
  const auto last = lines->begin() + static_cast<std::ptrdiff_t>(end);
  const auto kept = std::stable_partition(first, last, [key](const std::string& line) {
    return !BeginsWith(line, key, "=") && !BeginsWith(line, key, ":=");
  });
  if (kept == last) return false;
  lines->erase(kept, last);
  edited_[file] = true;
  return true;
}

std::string TKeyMap::NormaliseDestination(std::string_view path, platform::PathStyle style) {
  const char sep = platform::Separator(style);
  std::string collapsed;
  collapsed.reserve(path.size() + 2);
  for (const char c : path)
    if (c != sep || collapsed.empty() || collapsed.back() != sep) collapsed += c;
  if (style == platform::PathStyle::Posix) {
    if (collapsed.empty()) return collapsed;
    if (collapsed.size() > 1 && collapsed.back() == sep) collapsed.pop_back();
    return collapsed;
  }
  // The folder part of path + "\a": no trailing backslash, except after a drive's colon.
  if (!collapsed.empty() && collapsed.back() == sep) collapsed.pop_back();
  if (!collapsed.empty() && collapsed.back() == ':') collapsed += sep;
  return collapsed;
}

bool TKeyMap::AddKey(std::string_view section, std::string_view key, bool moveOnly,
                     std::string_view reminder, std::string_view path) {
  // A line break would split the line when the file is written, and a key beginning with "["
  // would make its line a section header: either would change other keys' meaning.
  for (const std::string_view text : {key, section, reminder, path})
    if (text.find_first_of("\r\n") != std::string_view::npos) return false;
  if (key.starts_with('[')) return false;
  Lines added;
  added.push_back(std::string(key) + (moveOnly ? "==" : "=") + NormaliseDestination(path, style_));
  if (!reminder.empty()) added.push_back(std::string(key) + ":=" + std::string(reminder));

  std::size_t begin = 0, end = 0;
  File file = kKeyMap;
  Lines* lines = EditableList(section, begin, end, file);
  if (lines) {
    lines->insert(lines->begin() + static_cast<std::ptrdiff_t>(begin), added.begin(), added.end());
  } else {
    keyMapLines_.push_back("[" + std::string(section) + "]");
    keyMapLines_.insert(keyMapLines_.end(), added.begin(), added.end());
  }
  edited_[file] = true;
  return true;
}

void TKeyMap::SectionNames(Lines& names) const {
  Lines found;
  for (const std::string& line : keyMapLines_) {
    if (!line.starts_with('[')) continue;
    const std::size_t close = line.find(']');
    if (close == std::string::npos || close < 2) continue;
    found.push_back(line.substr(1, close - 1));
  }
  names.clear();
  names.reserve(38 + found.size());  // no reallocation: known holds views into names
  names.emplace_back("head");
  names.emplace_back("tail");
  for (char c = '0'; c <= '9'; ++c) names.emplace_back(1, c);
  for (char c = 'a'; c <= 'z'; ++c) names.emplace_back(1, c);
  std::unordered_set<std::string_view> known(names.begin(), names.end());
  for (std::string& name : found) {
    if (known.contains(name)) continue;
    names.push_back(std::move(name));
    known.insert(names.back());
  }
}

void TKeyMap::Search(std::string_view query, Lines& result) const {
  result.clear();
  std::vector<std::string_view> words;
  for (std::size_t start = 0;;) {
    const std::size_t space = query.find(' ', start);
    words.push_back(query.substr(start, space == std::string_view::npos ? space : space - start));
    if (space == std::string_view::npos) break;
    start = space + 1;
  }

  struct Block {
    std::string_view header;
    std::vector<std::string_view> keys;
  };
  std::vector<Block> blocks;
  std::string_view pending;
  bool hasPending = false;
  auto scan = [&](ListView lines) {
    for (const std::string& whole : lines) {
      const std::string_view line(whole);
      if (line.starts_with('[')) {
        pending = line;
        hasPending = true;
        continue;
      }
      std::optional<std::size_t> marker;  // looked for only once a word is found
      for (const std::string_view word : words) {
        if (word.empty() || line.find(word) == std::string_view::npos) continue;
        if (!marker) marker = line.find(":=");
        if (*marker == std::string_view::npos) break;
        if (hasPending) {
          blocks.push_back({pending, {}});
          hasPending = false;
        }
        blocks.back().keys.push_back(line.substr(0, *marker));
      }
    }
  };
  pending = "[head]";
  hasPending = true;
  scan(headLines_);
  pending = "[tail]";
  hasPending = true;
  scan(tailLines_);
  const auto firstHeader = std::find_if(keyMapLines_.begin(), keyMapLines_.end(),
                                        [](const std::string& l) { return l.starts_with('['); });
  scan(
      ListView(keyMapLines_).subspan(static_cast<std::size_t>(firstHeader - keyMapLines_.begin())));

  // Each block looks its section up: a map of the headers keeps a key map of many sections
  // from being scanned once per block.
  HeaderIndex headers;
  if (!blocks.empty())
    for (std::size_t i = 0; i < keyMapLines_.size(); ++i)
      if (keyMapLines_[i].starts_with('[')) headers.emplace(keyMapLines_[i], i);

  for (Block& block : blocks) {
    // Only the last occurrence of a key stays in its block.
    std::unordered_set<std::string_view> later;
    std::vector<std::string_view> keys;
    for (auto it = block.keys.rbegin(); it != block.keys.rend(); ++it)
      if (later.insert(*it).second) keys.push_back(*it);
    std::reverse(keys.begin(), keys.end());

    result.emplace_back(block.header);
    const std::string section = SectionOfHeader(block.header);
    // One pass over the section's lines for all keys of the block, so that a large key map
    // searched for a common word stays linear.
    const std::vector<LookupResult> found = [&] {
      std::vector<LookupResult> r(keys.size());
      std::vector<bool> done(keys.size(), false);
      std::unordered_map<std::string_view, std::size_t> index;
      std::size_t longest = 0;
      for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty()) {
          done[i] = true;  // an empty key is never found
          continue;
        }
        index.emplace(keys[i], i);
        longest = std::max(longest, keys[i].size());
      }
      std::vector<bool> isKeyLength(longest + 1, false);
      for (const auto& [key, i] : index) isKeyLength[key.size()] = true;
      for (const ListView lines : ListsOf(section, &headers)) {
        std::vector<const std::string*> entry(keys.size()), reminder(keys.size());
        for (const std::string& whole : lines) {
          const std::string_view line(whole);
          const std::size_t n = std::min(line.size(), longest + 1);
          for (std::size_t p = 0; p < n; ++p) {
            const char c = line[p];
            if ((c != '=' && c != ':') || !isKeyLength[p]) continue;
            const bool isReminder = c == ':' && p + 1 < line.size() && line[p + 1] == '=';
            if (c == ':' && !isReminder) continue;
            const auto it = index.find(line.substr(0, p));
            if (it == index.end() || done[it->second]) continue;
            auto& slot = isReminder ? reminder[it->second] : entry[it->second];
            if (!slot) slot = &whole;
          }
        }
        for (std::size_t i = 0; i < keys.size(); ++i) {
          if (done[i]) continue;
          if (reminder[i]) r[i].reminder = RestAfter(*reminder[i], keys[i].size() + 2);
          if (!entry[i]) continue;
          std::string kept = std::move(r[i].reminder);
          r[i] = ResultOfEntry(*entry[i], keys[i].size());
          r[i].reminder = std::move(kept);
          done[i] = true;
        }
      }
      return r;
    }();
    for (std::size_t i = 0; i < keys.size(); ++i) {
      const std::string key(keys[i]);
      result.push_back(key + (found[i].moveOnly ? "==" : "=") + found[i].path);
      result.push_back(key + ":=" + found[i].reminder);
    }
  }
}

std::string TKeyMap::CompleteKey(std::string_view text, std::string_view selected) const {
  const ListView lists[] = {headLines_, selectedLines_, tailLines_};
  return CompleteKeyInLines(lists, text, selected);
}
