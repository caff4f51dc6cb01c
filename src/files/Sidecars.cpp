#include "files/Sidecars.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

std::string UpperAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return result;
}

std::string StemOf(const std::string& path) {
  return path.substr(0,
                     path.size() - platform::ExtractFileExt(path, platform::kNativeStyle).size());
}

bool StartsWith(const std::string& text, const std::string& head) {
  return text.size() > head.size() && text.compare(0, head.size(), head) == 0;
}

}  // namespace

std::vector<std::string> FindSidecars(const std::string& picture, std::string_view extensions) {
  std::vector<std::string> endings;
  std::size_t pos = 0;
  while (pos < extensions.size()) {
    const std::size_t end = std::min(extensions.find(' ', pos), extensions.size());
    const std::string_view ext = extensions.substr(pos, end - pos);
    pos = end + 1;
    if (ext.empty()) continue;
    for (std::string spelling : {std::string(ext), platform::LowerAscii(ext), UpperAscii(ext)}) {
      if (std::find(endings.begin(), endings.end(), spelling) == endings.end())
        endings.push_back(std::move(spelling));
    }
  }
  std::vector<std::string> found;
  const std::string stem = StemOf(picture);
  for (const std::string* base : {&picture, &stem}) {
    for (const std::string& ending : endings) {
      std::string candidate = *base + ending;
      if (candidate == picture || !platform::FileExists(candidate) ||
          std::find(found.begin(), found.end(), candidate) != found.end())
        continue;
      found.push_back(std::move(candidate));
    }
  }
  return found;
}

std::string SidecarNameFor(const std::string& sidecar, const std::string& picture,
                           const std::string& newPicture) {
  if (StartsWith(sidecar, picture)) return newPicture + sidecar.substr(picture.size());
  const std::string stem = StemOf(picture);
  if (StartsWith(sidecar, stem)) return StemOf(newPicture) + sidecar.substr(stem.size());
  return {};
}
