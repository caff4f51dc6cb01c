#pragma once
// The locale-aware, case-insensitive order of the sorted picture and folder lists: the user's
// collation locale at secondary strength, so letter case is ignored and accents are not.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Collator {
 public:
  // The user's collation locale from LC_ALL, LC_COLLATE or LANG (the first one set). C and
  // POSIX take the root collation, which still sorts by letters, not by code points.
  Collator();
  // An explicit locale name such as "de_DE.UTF-8", "ja" or "C".
  explicit Collator(std::string_view localeName);
  ~Collator();
  Collator(const Collator&) = delete;
  Collator& operator=(const Collator&) = delete;

  // <0, 0, >0. Both texts are UTF-8; invalid bytes compare as replacement characters.
  int Compare(std::string_view a, std::string_view b) const;
  // Bytes whose plain comparison gives the same order as Compare, for sorting many texts.
  std::string SortKey(std::string_view text) const;
  // The ICU locale actually used ("" for root).
  const std::string& locale() const { return locale_; }

  // The ICU locale id for a POSIX locale name: "ja_JP.UTF-8" -> "ja_JP", "C" -> "".
  static std::string IcuLocaleFor(std::string_view posixName);

 private:
  std::string locale_;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The collator of the user's locale, made on first use.
const Collator& DefaultCollator();

// Sorts texts ascending by the collator; texts that compare equal keep their order.
void SortTexts(std::vector<std::string>& texts, const Collator& collator);

}  // namespace platform
