#include "ui/filter_picker.h"

#include "skin/language_manager.h"
#include "ui/plain_text.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

std::string FactoryCaption(const eng::TFactoryEntry& f) {
  return f.longName == f.name ? f.name : f.longName + " (" + f.name + ")";
}

TfrFilter::TfrFilter(const std::vector<eng::TFactoryEntry>& factories, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Select Filter...");
  resize(460, 520);
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setSortingEnabled(true);
  for (const eng::TFactoryEntry& f : factories) {
    auto* item = new QListWidgetItem(OutsideText(FactoryCaption(f)), list_);
    item->setData(Qt::UserRole, QString::fromStdString(f.classId.ToString()));
    item->setToolTip(PlainToolTip(f.klass));
  }
  list_->sortItems();
  layout->addWidget(list_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(PlainMenuText(Lang("Config.Cancel")));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &TfrFilter::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TfrFilter::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TfrFilter::accept);
}

void TfrFilter::accept() {
  chosen_ = {};
  if (QListWidgetItem* item = list_->currentItem())
    if (std::optional<eng::TGuid> cls = eng::TGuid::Parse(item->data(Qt::UserRole).toString().toStdString()))
      chosen_ = *cls;
  QDialog::accept();
}

} // namespace zv
