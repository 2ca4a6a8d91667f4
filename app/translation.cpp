#include "app/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pelimor {

namespace {

bool installTranslator(const QLocale& language, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(language, name, QStringLiteral("_"), folder) && QCoreApplication::installTranslator(translator))
    return true;
  delete translator;
  return false;
}

}  // namespace

QString installTranslation(const QString& folder) {
  for (const QString& name : QLocale::system().uiLanguages()) {
    const QLocale language(name);
    // Written in English: a later choice in the user's list is not wanted over it.
    if (language.language() == QLocale::English || language.language() == QLocale::C) return {};
    if (!installTranslator(language, QStringLiteral("pelimor"), folder)) continue;
    installTranslator(language, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return name;
  }
  return {};
}

}  // namespace pelimor
