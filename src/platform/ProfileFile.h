#pragma once
// An INI settings file with the private-profile rules of the system the settings format comes
// from: section and key names match without regard to ASCII letter case, whitespace around keys
// and values is trimmed, a value in matching quotes is read without them, and the first of
// duplicate sections or keys wins. The file is loaded once and written once; every line the
// program does not write (comments, blank lines, unknown keys, lines it cannot parse) is kept
// byte for byte, and writing a key rewrites that key's line only.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// Reads an integer the way the settings file stores them: optional sign and decimal digits, or
// hexadecimal after "$" or after "0x"/"0X" (the latter only when longer than two characters).
// Hexadecimal takes up to 32 bits and wraps into the signed range ("$FFFFFFFF" is -1), as
// colour values need. Nothing else is accepted: no surrounding blanks, no trailing characters.
std::optional<std::int32_t> ParseProfileInteger(std::string_view text);

class ProfileFile {
 public:
  // Larger files are treated as unreadable rather than read.
  static constexpr std::size_t kSizeLimit = 16u << 20;

  enum class LoadStatus { Loaded, Missing, Unreadable };

  ProfileFile() = default;

  // Reads path. Missing and Unreadable leave the object empty; err receives "path: reason" for
  // Unreadable. An Unreadable file is never overwritten by Save.
  LoadStatus Load(const std::string& path, std::string* err = nullptr);
  // Replaces the contents with the text of a file (line ends CR LF, LF or CR).
  void Parse(std::string_view bytes);

  // The key's value, without its surrounding blanks and matching quotes; nothing when the
  // section or the key is missing.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;
  // Read, or fallback when the key is missing (an empty value is not missing).
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // A missing key or a value that is not a number gives fallback.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;
  // Non-zero integers are true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Values that would not read back as written (surrounding blanks, matching quotes) are put in
  // double quotes. Line breaks cannot be stored in a line and are dropped.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Decimal, as ReadInteger reads it back.
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  // "1" or "0".
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // The file's text, every line ended by CR LF.
  std::string Serialize() const;
  // Writes Serialize() to path atomically. False (err: "path: reason") when the system refuses
  // the write, or when the file at path existed but could not be loaded; the old file is then
  // left whole.
  bool Save(const std::string& path, std::string* err = nullptr) const;

 private:
  struct Line {
    std::string text;  // the line as read or written, without its line end
    // Key lines: where the value starts (after "=" and its blanks); npos for other lines.
    std::size_t valueAt = std::string::npos;
  };
  struct Section {
    Line header;
    std::vector<Line> lines;
    std::unordered_map<std::string, std::size_t> keys;  // lower-cased key -> first line
    std::size_t keyEnd = 0;  // index after the last key line: where a new key goes
  };

  const Section* FindSection(std::string_view section) const;
  Section& SectionForWrite(std::string_view section);
  void AddLine(std::string text);

  bool byteOrderMark_ = false;
  bool unreadable_ = false;
  std::vector<Line> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // lower-cased name -> first
};

}  // namespace platform
