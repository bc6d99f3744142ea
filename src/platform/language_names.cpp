#include "platform/language_names.h"

#include <QLocale>

namespace zv {

std::string LanguageName(const std::string& code) {
  if (code.empty())
    return "?";
  const QLocale::Language language = QLocale::codeToLanguage(QString::fromStdString(code));
  if (language == QLocale::AnyLanguage || language == QLocale::C)
    return code;
  return QLocale::languageToString(language).toStdString();
}

} // namespace zv
