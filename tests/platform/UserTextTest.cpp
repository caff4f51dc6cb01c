#include "platform/UserText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FormatCase {
  const char* source;
  std::vector<std::string> parts;
  std::string formatted;
};

class UserTextFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(UserTextFormat, FillsThePartsInOnePass) {
  const FormatCase& c = GetParam();
  EXPECT_EQ((TUserText{"", c.source, c.parts}.Format()), c.formatted);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, UserTextFormat,
    testing::Values(
        FormatCase{"ファイル %1 は開けません", {"/a b/c.jpg"}, "ファイル /a b/c.jpg は開けません"},
        FormatCase{"%2: %1", {"x", "y"}, "y: x"},
        // A part is never read as a template: a path may well hold "%2".
        FormatCase{"%1 %2", {"/100%2/", "z"}, "/100%2/ z"},
        // Markers without a part, and a lone "%" at the end, stay as written.
        FormatCase{"%1 %3 100%", {"a"}, "a %3 100%"}));

}  // namespace
