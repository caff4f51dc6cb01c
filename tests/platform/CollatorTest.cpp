#include "platform/Collator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

// Sets the locale variables for one test and puts the old values back.
class LocaleEnv {
 public:
  LocaleEnv(const char* all, const char* collate, const char* lang) {
    Set("LC_ALL", all);
    Set("LC_COLLATE", collate);
    Set("LANG", lang);
  }
  ~LocaleEnv() {
    for (auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }

 private:
  void Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    if (value)
      setenv(name.c_str(), value, 1);
    else
      unsetenv(name.c_str());
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace

TEST(Collator, IgnoresCaseButNotAccentsAndSortsByLetters) {
  for (const char* locale : {"C", "POSIX", "en_US.UTF-8", "ja_JP.UTF-8"}) {
    SCOPED_TRACE(locale);
    const platform::Collator c(locale);
    EXPECT_EQ(c.Compare("/Pics/Apple.JPG", "/pics/apple.jpg"), 0);
    EXPECT_LT(c.Compare("a.jpg", "B.jpg"), 0) << "not code-point order, where B < a";
    EXPECT_GT(c.Compare("b", "A"), 0);
    EXPECT_NE(c.Compare("e.jpg", "\xC3\xA9.jpg"), 0) << "e and é differ";
    EXPECT_LT(c.Compare("e", "\xC3\xA9"), 0);
    EXPECT_LT(c.Compare("\xC3\xA9", "f"), 0);
    // Invalid UTF-8 must not crash; it compares as something.
    EXPECT_NE(c.Compare("\xFF\xFE", "a"), 0);
  }
}

TEST(Collator, SortKeysAgreeWithCompareAndSortIsStable) {
  const platform::Collator c("de_DE.UTF-8");
  const std::vector<std::string> texts = {"Zebra", "apfel", "\xC3\x84pfel", "Apfel", "b", "",
                                          "10",    "9",     "\xE7\x8C\xAB", "\xFF"};
  for (const auto& a : texts)
    for (const auto& b : texts) {
      const int byKey = c.SortKey(a).compare(c.SortKey(b));
      const int direct = c.Compare(a, b);
      EXPECT_EQ(byKey < 0, direct < 0) << a << " vs " << b;
      EXPECT_EQ(byKey == 0, direct == 0) << a << " vs " << b;
    }
  std::vector<std::string> v = {"b", "Apfel", "apfel", "APFEL", "a"};
  platform::SortTexts(v, c);
  EXPECT_EQ(v, (std::vector<std::string>{"a", "Apfel", "apfel", "APFEL", "b"}));
}

TEST(Collator, TakesTheLocaleFromTheEnvironmentInPosixOrder) {
  EXPECT_EQ(platform::Collator::IcuLocaleFor("ja_JP.UTF-8"), "ja_JP");
  EXPECT_EQ(platform::Collator::IcuLocaleFor("de_DE@euro"), "de_DE");
  EXPECT_EQ(platform::Collator::IcuLocaleFor("C.UTF-8"), "");
  EXPECT_EQ(platform::Collator::IcuLocaleFor("POSIX"), "");
  EXPECT_EQ(platform::Collator::IcuLocaleFor(""), "");
  {
    LocaleEnv env("sv_SE.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8");
    EXPECT_EQ(platform::Collator().locale(), "sv_SE");
  }
  {
    LocaleEnv env(nullptr, "de_DE.UTF-8", "fr_FR.UTF-8");
    EXPECT_EQ(platform::Collator().locale(), "de_DE");
  }
  {
    LocaleEnv env("", nullptr, "C");
    const platform::Collator c;
    EXPECT_EQ(c.locale(), "");
    EXPECT_LT(c.Compare("a", "B"), 0);
  }
  {
    // Swedish sorts ö after z, German among the o's: the locale really is used.
    LocaleEnv env(nullptr, nullptr, "sv_SE.UTF-8");
    EXPECT_GT(platform::Collator().Compare("\xC3\xB6", "z"), 0);
    LocaleEnv de(nullptr, nullptr, "de_DE.UTF-8");
    EXPECT_LT(platform::Collator().Compare("\xC3\xB6", "z"), 0);
  }
}
