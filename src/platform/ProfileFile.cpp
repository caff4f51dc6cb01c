#include "platform/ProfileFile.h"

#include <limits>

#include "platform/FileIO.h"
#include "platform/Path.h"

namespace platform {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool IsQuoted(std::string_view s) {
  return s.size() >= 2 && IsQuote(s.front()) && s.front() == s.back();
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(d);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string Lower(std::string_view s) {
  return LowerAscii(s);
}

// Where a section header's name lies in line, or nullopt when line is no header.
std::optional<std::string_view> HeaderName(std::string_view line) {
  const std::string_view t = Trim(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  const std::size_t close = t.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return Trim(t.substr(1, close - 1));
}

bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '#');
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
  if (!text.empty() && text.front() == '$') return ParseHex(text.substr(1));
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2));
  return ParseDecimal(text);
}

ProfileFile::LoadStatus ProfileFile::Load(const std::string& path, std::string* err) {
  Parse({});
  ReadResult r = ReadWholeFile(path, kSizeLimit);
  switch (r.status) {
    case ReadStatus::Ok:
      Parse(r.bytes);
      return LoadStatus::Loaded;
    case ReadStatus::Missing:
      return LoadStatus::Missing;
    case ReadStatus::Failed:
    case ReadStatus::TooLarge:
      break;
  }
  unreadable_ = true;
  if (err) *err = r.error;
  return LoadStatus::Unreadable;
}

void ProfileFile::Parse(std::string_view bytes) {
  byteOrderMark_ = false;
  unreadable_ = false;
  preamble_.clear();
  sections_.clear();
  sectionIndex_.clear();
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    byteOrderMark_ = true;
    bytes.remove_prefix(kByteOrderMark.size());
  }
  while (!bytes.empty()) {
    const std::size_t end = bytes.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      AddLine(std::string(bytes));
      break;
    }
    AddLine(std::string(bytes.substr(0, end)));
    std::size_t next = end + 1;
    if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
    bytes.remove_prefix(next);
  }
}

void ProfileFile::AddLine(std::string text) {
  if (const auto name = HeaderName(text)) {
    const std::string key = Lower(*name);
    sectionIndex_.emplace(key, sections_.size());
    sections_.push_back(Section{Line{std::move(text)}, {}, {}, 0});
    return;
  }
  if (sections_.empty()) {
    preamble_.push_back(Line{std::move(text)});
    return;
  }
  Section& section = sections_.back();
  Line line{std::move(text)};
  const std::string_view trimmed = Trim(line.text);
  const std::size_t eq = line.text.find('=');
  if (!IsComment(trimmed) && eq != std::string::npos) {
    const std::string_view key = Trim(std::string_view(line.text).substr(0, eq));
    if (!key.empty()) {
      std::size_t at = eq + 1;
      while (at < line.text.size() && IsBlank(line.text[at])) ++at;
      line.valueAt = at;
      section.keys.emplace(Lower(key), section.lines.size());
      section.keyEnd = section.lines.size() + 1;
    }
  }
  section.lines.push_back(std::move(line));
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view section) const {
  const auto it = sectionIndex_.find(Lower(Trim(section)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

std::optional<std::string> ProfileFile::Read(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (!s) return std::nullopt;
  const auto it = s->keys.find(Lower(Trim(key)));
  if (it == s->keys.end()) return std::nullopt;
  const Line& line = s->lines[it->second];
  std::string_view value = Trim(std::string_view(line.text).substr(line.valueAt));
  if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
  return std::string(value);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  auto value = Read(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

std::int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  const auto value = Read(section, key);
  if (!value) return fallback;
  return ParseProfileInteger(*value).value_or(fallback);
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

ProfileFile::Section& ProfileFile::SectionForWrite(std::string_view section) {
  const std::string name(Trim(section));
  const auto [it, added] = sectionIndex_.emplace(Lower(name), sections_.size());
  if (added) sections_.push_back(Section{Line{"[" + name + "]"}, {}, {}, 0});
  return sections_[it->second];
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  std::string stored;
  stored.reserve(value.size() + 2);
  for (char c : value)
    if (c != '\r' && c != '\n') stored.push_back(c);
  if (Trim(stored).size() != stored.size() || IsQuoted(stored)) stored = '"' + stored + '"';

  Section& s = SectionForWrite(section);
  const std::string name(Trim(key));
  const auto it = s.keys.find(Lower(name));
  if (it != s.keys.end()) {
    Line& line = s.lines[it->second];
    line.text.resize(line.valueAt);
    line.text += stored;
    return;
  }
  Line line{name + "=" + stored, name.size() + 1};
  s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(s.keyEnd), std::move(line));
  // Every key line lies before keyEnd, so no index in s.keys moves.
  s.keys.emplace(Lower(name), s.keyEnd);
  ++s.keyEnd;
}

void ProfileFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::string ProfileFile::Serialize() const {
  std::string out;
  if (byteOrderMark_) out += kByteOrderMark;
  auto put = [&out](const Line& line) {
    out += line.text;
    out += "\r\n";
  };
  for (const Line& line : preamble_) put(line);
  for (const Section& s : sections_) {
    put(s.header);
    for (const Line& line : s.lines) put(line);
  }
  return out;
}

bool ProfileFile::Save(const std::string& path, std::string* err) const {
  if (unreadable_) {
    if (err) *err = path + ": not written, the file could not be read";
    return false;
  }
  return WriteFileAtomically(path, Serialize(), err);
}

}  // namespace platform
