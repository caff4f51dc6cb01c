#include "platform/Path.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using platform::PathStyle;

TEST(PathRules, WindowsStyleSplitsAtBackslashAndDrive) {
  constexpr auto w = PathStyle::Windows;
  EXPECT_EQ(platform::ExtractFilePath("C:\\pics\\a.jpg", w), "C:\\pics\\");
  EXPECT_EQ(platform::ExtractFileDir("C:\\pics\\a.jpg", w), "C:\\pics");
  EXPECT_EQ(platform::ExtractFileDir("C:\\a.jpg", w), "C:\\");
  EXPECT_EQ(platform::ExtractFileDir("C:a.jpg", w), "C:");
  EXPECT_EQ(platform::ExtractFileName("C:\\pics\\a.jpg", w), "a.jpg");
  EXPECT_EQ(platform::ExtractFileName("C:a.jpg", w), "a.jpg");
  EXPECT_EQ(platform::ExtractFileExt("C:\\p.d\\a.b.JPG", w), ".JPG");
  EXPECT_EQ(platform::ExtractFileExt("C:\\p.d\\a", w), "");
  EXPECT_EQ(platform::ChangeFileExt("C:\\p\\a.jpg", ".png", w), "C:\\p\\a.png");
  EXPECT_EQ(platform::ChangeFileExt("C:\\p.d\\a", ".jpg", w), "C:\\p.d\\a.jpg");
  EXPECT_TRUE(platform::IsRootPath("D:\\", w));
  EXPECT_TRUE(platform::IsRootPath("D:", w));
  EXPECT_FALSE(platform::IsRootPath("D:\\a", w));
  // A slash is an ordinary character in the Windows style of these rules.
  EXPECT_EQ(platform::ExtractFileName("C:\\a/b.jpg", w), "a/b.jpg");
}

TEST(PathRules, PosixStyleKeepsTheRoot) {
  constexpr auto p = PathStyle::Posix;
  EXPECT_EQ(platform::ExtractFileDir("/pics/a.jpg", p), "/pics");
  EXPECT_EQ(platform::ExtractFileDir("/a.jpg", p), "/");
  EXPECT_EQ(platform::ExtractFilePath("a.jpg", p), "");
  EXPECT_EQ(platform::ExtractFileName("/pics/日本.jpg", p), "日本.jpg");
  EXPECT_EQ(platform::ExtractFileExt("/p.d/a", p), "");
  EXPECT_EQ(platform::ExtractFileExt("/p/.hidden", p), ".hidden");
  EXPECT_EQ(platform::IncludeTrailingPathDelimiter("/p", p), "/p/");
  EXPECT_EQ(platform::IncludeTrailingPathDelimiter("/p/", p), "/p/");
  EXPECT_EQ(platform::ExcludeTrailingPathDelimiter("/p/", p), "/p");
  EXPECT_TRUE(platform::IsRootPath("/", p));
  EXPECT_FALSE(platform::IsRootPath("/a", p));
  EXPECT_TRUE(platform::IsAbsolutePath("/a", p));
  EXPECT_FALSE(platform::IsAbsolutePath("a/b", p));
  EXPECT_EQ(platform::LowerAscii("ABC.JPG日本"), "abc.jpg日本");
}

// Extension lists hold whole extensions: a shorter or longer one is another extension.
TEST(PathRules, ExtensionsAreWholeTokensOfTheList) {
  const std::string pictures = ".bmp .gif .jpe .jpeg .jpg .png";
  const std::tuple<std::string, std::string, bool> cases[] = {{".JPG", pictures, true},
                                                              {".jpe", pictures, true},
                                                              {".pn", pictures, false},
                                                              {".g", pictures, false},
                                                              {".lst", " .txt\t.lst ", true},
                                                              {".txt .lst", ".txt .lst", false},
                                                              {".txt", ".TXT", true},
                                                              {"", ".txt", false},
                                                              {".txt", "", false}};
  for (const auto& [ext, list, listed] : cases)
    EXPECT_EQ(platform::IsListedExtension(ext, list), listed) << ext << " in " << list;
}
