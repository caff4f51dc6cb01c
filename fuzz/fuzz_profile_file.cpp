// The settings file parser and writer over arbitrary bytes: reading every key the program reads,
// writing keys into existing and new sections, and parsing the result again must neither crash
// nor change what was written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > platform::ProfileFile::kSizeLimit) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  platform::ProfileFile file;
  file.Parse(bytes);
  for (const char* section : {"Main", "main", "Font", "Key", ""})
    for (const char* key : {"Top", "Name", "1Key", "", "x"}) {
      (void)file.ReadInteger(section, key, 7);
      (void)file.ReadString(section, key, "d");
    }
  const std::string value(bytes.substr(0, 64));
  file.WriteString("Main", "Top", value);
  file.WriteInteger("Zz", "New", -1);
  const std::string once = file.Serialize();

  platform::ProfileFile again;
  again.Parse(once);
  std::string expected;
  for (char c : value)
    if (c != '\r' && c != '\n') expected.push_back(c);
  if (again.ReadString("Main", "Top", "") != expected) std::abort();
  if (again.ReadInteger("Zz", "New", 0) != -1) std::abort();
  if (again.Serialize() != once) std::abort();
  return 0;
}
