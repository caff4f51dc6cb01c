// Key map files of any bytes: the input is head, tail and key map file and a line of requests,
// separated by NUL bytes; the requests (query, key, section, typed text, path) are separated
// by line feeds.
#include <stdio.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "keymap/KeyMap.h"

namespace {

std::vector<std::string_view> Split(std::string_view s, char sep, std::size_t parts) {
  std::vector<std::string_view> out;
  while (out.size() + 1 < parts) {
    const std::size_t i = s.find(sep);
    if (i == std::string_view::npos) break;
    out.push_back(s.substr(0, i));
    s.remove_prefix(i + 1);
  }
  out.push_back(s);
  out.resize(parts);
  return out;
}

// One folder for the whole run, removed at exit; never freed, so the exit handler can use it.
const std::string& Folder() {
  static const std::string* const folder = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "fuzz_keymap.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) abort();
    return new std::string(tmpl);
  }();
  static const bool cleanup = atexit([] {
                                std::error_code ec;
                                std::filesystem::remove_all(*folder, ec);
                              }) == 0;
  (void)cleanup;
  return *folder;
}

void CheckAt(bool ok, int line) {
  if (ok) return;
  fprintf(stderr, "check failed at line %d\n", line);
  abort();
}
#define Check(ok) CheckAt((ok), __LINE__)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto files = Split(input, '\0', 4);
  const auto req = Split(files[3], '\n', 5);
  const std::string& dir = Folder();
  const char* const fileNames[] = {"/head.txt", "/tail.txt", "/keymap.txt"};
  for (int i = 0; i < 3; ++i)
    std::ofstream(dir + fileNames[i], std::ios::binary | std::ios::trunc) << files[i];

  TKeyMap km("", "", "", dir, platform::PathStyle::Windows);
  Check(km.LoadError().empty());
  const std::string_view query = req[0], key = req[1], section = req[2], text = req[3];
  km.SelectSection(section);

  km.Lookup("", key);
  km.Lookup(section, key);
  km.PathOfKey(key);
  TKeyMap::Lines names;
  km.SectionNames(names);
  Check(names.size() >= 38);

  // Every key a search lists carries the lines a look-up in its block's section gives.
  TKeyMap::Lines found;
  km.Search(query, found);
  std::string current;
  for (std::size_t i = 0; i < found.size();) {
    if (found[i].starts_with('[')) {
      current = found[i].substr(
          1, found[i].find(']') == std::string::npos ? std::string::npos : found[i].find(']') - 1);
      ++i;
      continue;
    }
    Check(i + 1 < found.size());
    const std::size_t marker = found[i + 1].find(":=");
    Check(marker != std::string::npos);
    const std::string k = found[i + 1].substr(0, marker);
    const auto r = km.Lookup(current, k);
    Check(found[i] == k + (r.moveOnly ? "==" : "=") + r.path);
    Check(found[i + 1] == k + ":=" + r.reminder);
    i += 2;
  }

  // The completion cycle ends within as many requests as there are lines.
  std::string selected;
  const std::size_t lines =
      km.HeadLines().size() + km.SelectedLines().size() + km.TailLines().size() + 2;
  for (std::size_t n = 0; n < lines; ++n) {
    selected = km.CompleteKey(std::string(text) + selected, selected);
    if (selected.empty()) break;
    Check(n + 1 < lines);
  }

  const std::string_view target = section.empty() ? "head" : section;
  const bool acceptable =
      !key.starts_with('[') &&
      (std::string(key) + std::string(target) + std::string(query) + std::string(req[4]))
              .find_first_of("\r\n") == std::string::npos;
  if (!acceptable) {
    const std::size_t before = km.HeadLines().size() + km.KeyMapLines().size();
    Check(!km.AddKey(target, key, false, query, req[4]));
    Check(before == km.HeadLines().size() + km.KeyMapLines().size());
  } else if (!key.empty() && target != "selected") {
    Check(km.AddKey(target, key, true, query, req[4]));
    Check(km.Lookup(target, key).moveOnly);
    Check(km.RemoveKey(target, key));
    Check(km.Lookup(target, key).path.empty());
  }
  if (size % 8 == 0) km.Save();  // seldom: every save waits for the disk
  return 0;
}
