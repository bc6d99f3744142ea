#pragma once

#include <QStringList>
#include <string>

namespace zv {

// A dialog filter written as "Description(*.A;*.B)|*.A;*.B|..." in the form Qt's file dialogs
// take: one "Description (*.A *.B)" per pair. "*.*" becomes "*", so that names without an
// extension are listed too.
QStringList QtFileFilters(const std::string& filter);

} // namespace zv
