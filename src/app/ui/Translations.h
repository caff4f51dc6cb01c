#pragma once
// The interface's language. The texts in the code are the Japanese ones; an English translation
// is compiled into the program. The language is chosen once at start-up, before any window.
#include <QString>
#include <QStringList>
#include <string>

#include "platform/UserText.h"

// "ja" or "en": the setting when it names one of them, else Japanese when the system's first
// preferred language is Japanese (uiLanguages as QLocale::uiLanguages gives them), else English.
QString ChooseLanguage(const std::string& setting, const QStringList& uiLanguages);

// Installs the program's translation for language, and Qt's own for its dialogs where the
// system has it, in place of any installed before. Needs the application object.
void InstallTranslations(const QString& language);

// The language installed last; "ja" before any.
QString InstalledLanguage();

// A core text in the installed language, its parts filled in unchanged.
QString TranslateText(const TUserText& text);
