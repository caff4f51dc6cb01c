#include "app/ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace {

struct Installed {
  QString language = QStringLiteral("ja");
  std::unique_ptr<QTranslator> program;
  std::unique_ptr<QTranslator> qt;
};

Installed& Current() {
  static Installed installed;
  return installed;
}

void Replace(std::unique_ptr<QTranslator>& slot, std::unique_ptr<QTranslator> next) {
  if (slot) QCoreApplication::removeTranslator(slot.get());
  slot = std::move(next);
  if (slot) QCoreApplication::installTranslator(slot.get());
}

std::unique_ptr<QTranslator> Load(const QString& name, const QString& folder) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(name, folder)) return nullptr;
  return translator;
}

}  // namespace

QString ChooseLanguage(const std::string& setting, const QStringList& uiLanguages) {
  if (setting == "ja" || setting == "en") return QString::fromStdString(setting);
  const bool japanese =
      !uiLanguages.isEmpty() && QLocale(uiLanguages.front()).language() == QLocale::Japanese;
  return japanese ? QStringLiteral("ja") : QStringLiteral("en");
}

void InstallTranslations(const QString& language) {
  Installed& installed = Current();
  installed.language = language;
  Replace(installed.program, Load(QStringLiteral("sortivo_") + language, QStringLiteral(":/i18n")));
  Replace(installed.qt, Load(QStringLiteral("qtbase_") + language,
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
}

QString InstalledLanguage() {
  return Current().language;
}

QString TranslateText(const TUserText& text) {
  QString out = QCoreApplication::translate(text.context, text.source);
  // One pass, as the core formats it: a path holding "%2" is not filled in again.
  QStringList parts;
  for (const std::string& part : text.parts) parts << QString::fromStdString(part);
  switch (parts.size()) {
    case 0:
      return out;
    case 1:
      return out.arg(parts[0]);
    case 2:
      return out.arg(parts[0], parts[1]);
    default:
      return out.arg(parts[0], parts[1], parts[2]);
  }
}
