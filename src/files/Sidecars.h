#pragma once
// Sidecar files: the small files other programs keep beside a picture (edit settings, ratings)
// under the picture's whole name plus an extension ("p.jpg.xmp") or under its stem with one
// ("p.xmp"). They travel with their picture and take the matching new name.
#include <string>
#include <string_view>
#include <vector>

// The sidecars present beside picture for the blank-separated extensions (".xmp .pp3"), each
// tried as written, in lower and in upper case. Whole-name sidecars come first; none is
// picture itself.
std::vector<std::string> FindSidecars(const std::string& picture, std::string_view extensions);

// The name sidecar (which belongs to picture) takes beside newPicture: the same ending after
// the picture's whole name or after its stem. Empty when sidecar has neither form.
std::string SidecarNameFor(const std::string& sidecar, const std::string& picture,
                           const std::string& newPicture);
