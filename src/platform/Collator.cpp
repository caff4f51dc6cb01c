#include "platform/Collator.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace platform {

namespace {

std::string UserLocaleName() {
  for (const char* var : {"LC_ALL", "LC_COLLATE", "LANG"}) {
    const char* value = std::getenv(var);
    if (value && *value) return value;
  }
  return "C";
}

icu::UnicodeString FromUtf8(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

std::unique_ptr<icu::Collator> MakeCollator(const std::string& locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> c(
      icu::Collator::createInstance(icu::Locale(locale.c_str()), status));
  if (U_FAILURE(status) || !c) {
    status = U_ZERO_ERROR;
    c.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
  }
  if (c) c->setStrength(icu::Collator::SECONDARY);
  return c;
}

}  // namespace

struct Collator::Impl {
  std::unique_ptr<icu::Collator> collator;
};

std::string Collator::IcuLocaleFor(std::string_view posixName) {
  std::string name(posixName.substr(0, posixName.find_first_of(".@")));
  if (name.empty() || name == "C" || name == "POSIX") return {};
  return name;
}

Collator::Collator() : Collator(UserLocaleName()) {}

Collator::Collator(std::string_view localeName)
    : locale_(IcuLocaleFor(localeName)), impl_(new Impl{MakeCollator(locale_)}) {}

Collator::~Collator() = default;

int Collator::Compare(std::string_view a, std::string_view b) const {
  if (!impl_->collator) return a.compare(b);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r = impl_->collator->compareUTF8(
      icu::StringPiece(a.data(), static_cast<int32_t>(a.size())),
      icu::StringPiece(b.data(), static_cast<int32_t>(b.size())), status);
  if (U_FAILURE(status)) return a.compare(b);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

std::string Collator::SortKey(std::string_view text) const {
  if (!impl_->collator) return std::string(text);
  const icu::UnicodeString u = FromUtf8(text);
  std::string key(u.length() * 4 + 16, '\0');
  for (;;) {
    const int32_t n = impl_->collator->getSortKey(u, reinterpret_cast<uint8_t*>(key.data()),
                                                  static_cast<int32_t>(key.size()));
    if (n <= 0) return std::string(text);
    if (static_cast<std::size_t>(n) <= key.size()) {
      key.resize(static_cast<std::size_t>(n) - 1);  // without the terminating zero
      return key;
    }
    key.resize(static_cast<std::size_t>(n));
  }
}

const Collator& DefaultCollator() {
  static const Collator collator;
  return collator;
}

void SortTexts(std::vector<std::string>& texts, const Collator& collator) {
  std::vector<std::string> keys;
  keys.reserve(texts.size());
  for (const std::string& t : texts) keys.push_back(collator.SortKey(t));
  std::vector<std::size_t> order(texts.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
  std::vector<std::string> sorted;
  sorted.reserve(texts.size());
  for (std::size_t i : order) sorted.push_back(std::move(texts[i]));
  texts = std::move(sorted);
}

}  // namespace platform
