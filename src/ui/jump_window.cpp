#include "ui/jump_window.h"
#include "ui/plain_text.h"

#include "playlist/playlist.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace zv {

QString FoldForSearch(const QString& text) { return text.toLower(); }

QString JumpKeyText(int key, Qt::KeyboardModifiers modifiers) {
  bool keypad = modifiers & Qt::KeypadModifier;
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return keypad ? QString() : QString(QChar('0' + (key - Qt::Key_0))); // keypad digits add nothing
  if (key >= Qt::Key_A && key <= Qt::Key_Z)
    return QString(QChar('A' + (key - Qt::Key_A)));
  switch (key) {
  case Qt::Key_Clear: return keypad ? "5" : QString(); // keypad 5 without Num Lock
  case Qt::Key_Asterisk: return "*";
  case Qt::Key_Plus:
  case Qt::Key_Equal: return "+";
  case Qt::Key_Minus: return "-";
  case Qt::Key_Period: return ".";
  case Qt::Key_Slash: return "/";
  case Qt::Key_Semicolon: return ";";
  case Qt::Key_Comma: return ",";
  case Qt::Key_QuoteLeft: return "~";
  case Qt::Key_BracketLeft: return "[";
  case Qt::Key_Backslash: return "\\";
  case Qt::Key_BracketRight: return "]";
  case Qt::Key_Apostrophe: return "'";
  default: return {};
  }
}

TfrJumpToFile::TfrJumpToFile(TPlayList& list, QWidget* parent) : QDialog(parent), list_(list) {
  setWindowTitle(QString::fromUtf8("Перейти к файлу..."));
  setMinimumSize(200, 300);
  resize(407, 388);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QString::fromUtf8("Что ищем?"), this);
  auto* groupLayout = new QVBoxLayout(group);
  search_ = new QLineEdit(group);
  search_->setObjectName("edtSearch");
  groupLayout->addWidget(search_);
  layout->addWidget(group);
  files_ = new QListWidget(this);
  files_->setObjectName("lstFiles");
  files_->setUniformItemSizes(true);
  layout->addWidget(files_, 1);
  auto* buttons = new QHBoxLayout();
  buttons->addStretch(1);
  jump_ = new QPushButton(QString::fromUtf8("Перейти к файлу"), this);
  jump_->setObjectName("btnJump");
  close_ = new QPushButton(QString::fromUtf8("Закрыть"), this);
  close_->setObjectName("btnClose");
  jump_->setAutoDefault(false);
  close_->setAutoDefault(false);
  buttons->addWidget(jump_);
  buttons->addWidget(close_);
  layout->addLayout(buttons);

  for (int i = 0; i < list_.Count(); ++i)
    titles_ << OutsideText(list_.Items(i).Title);
  Filter(QString());
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& t) { Filter(t); });
  connect(jump_, &QPushButton::clicked, this, [this] { Jump(); });
  connect(close_, &QPushButton::clicked, this, [this] { close(); });
  connect(files_, &QListWidget::itemDoubleClicked, this, [this] { Jump(); });
  search_->installEventFilter(this);
  files_->installEventFilter(this);
  if (parent)
    move(parent->geometry().center() - rect().center());
  search_->setFocus();
}

void TfrJumpToFile::Filter(const QString& text) {
  files_->clear();
  shown_.clear();
  if (titles_.isEmpty())
    return;
  QString folded = FoldForSearch(text);
  QStringList rows;
  for (int i = 0; i < titles_.size(); ++i)
    if (folded.isEmpty() || FoldForSearch(titles_[i]).contains(folded)) {
      rows << titles_[i];
      shown_.push_back(i);
    }
  files_->addItems(rows);
}

void TfrJumpToFile::Jump() {
  int row = files_->currentRow();
  if (files_->count() == 0 || row < 0 || !files_->item(row)->isSelected() || list_.Count() == 0)
    return;
  // An index no longer in the list plays nothing.
  list_.PlayIndex(shown_[static_cast<size_t>(row)], -1);
  close();
}

void TfrJumpToFile::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QDialog::keyPressEvent(e);
}

bool TfrJumpToFile::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress)
    return QDialog::eventFilter(watched, e);
  auto* k = static_cast<QKeyEvent*>(e);
  int key = k->key();
  bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
  if (key == Qt::Key_Escape) {
    close();
    return true;
  }
  auto selectRow = [this](int row) {
    if (row < 0 || row >= files_->count())
      return;
    files_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
  };
  if (watched == search_) {
    if (key == Qt::Key_Down || key == Qt::Key_Up) {
      selectRow(key == Qt::Key_Down ? 0 : files_->count() - 1);
      files_->setFocus();
      return true;
    }
    if (enter) {
      selectRow(0);
      Jump();
      return true;
    }
    return false;
  }
  if (watched == files_) {
    if (enter) {
      Jump();
      return true;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown)
      return false;
    // Any other key goes on searching: the focus moves to the search box with the key's sign.
    search_->setFocus();
    QString add = JumpKeyText(key, k->modifiers());
    if (!add.isEmpty())
      search_->setText(search_->text() + add);
    return false;
  }
  return QDialog::eventFilter(watched, e);
}

} // namespace zv
