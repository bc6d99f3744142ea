#include "ui/file_filters.h"

namespace zv {

QStringList QtFileFilters(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    int paren = description.indexOf('(');
    if (paren > 0)
      description = description.left(paren).trimmed();
    QStringList masks = parts[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& m : masks) {
      m = m.trimmed();
      if (m == "*.*")
        m = "*";
    }
    filters << description + " (" + masks.join(' ') + ")";
  }
  return filters;
}

} // namespace zv
