#include "ui/about_window.h"

#include "skin/language_manager.h"
#include "skin/opti_builder.h"
#include "ui/plain_text.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

namespace zv {

QPoint AboutPosition(QRect main, QSize about) {
  int left = main.left() + (main.width() - about.width()) / 2;
  int top = main.top() + (main.height() - about.height()) / 2;
  return QPoint(std::max(left, 0), std::max(top, 0));
}

namespace {
// The address label: a click opens the page.
class TLinkLabel : public QLabel {
public:
  TLinkLabel(const QString& text, QWidget* parent, std::function<void()> onClick)
      : QLabel(text, parent), onClick_(std::move(onClick)) {
    setCursor(Qt::PointingHandCursor);
    setTextFormat(Qt::PlainText);
  }

protected:
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && onClick_)
      onClick_();
  }

private:
  std::function<void()> onClick_;
};
} // namespace

TfrAbout::TfrAbout(TAboutContext context, QWidget* parent) : QDialog(parent), ctx_(std::move(context)) {
  setObjectName("frAbout");
  setWindowTitle(OutsideText(ctx_.caption));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* help = new QPushButton(PlainMenuText(Lang("About.Help")), this);
  help_ = help;
  connect(help, &QPushButton::clicked, this, [this] {
    if (ctx_.help)
      ctx_.help();
    accept();
  });
  if (ctx_.buildSkinPanel)
    panel_ = ctx_.buildSkinPanel(this);
  if (panel_ && panel_->Control()) {
    QWidget* p = panel_->Control();
    p->move(0, 0);
    p->lower();
    p->show();
    setFixedSize(p->size());
    help->setGeometry(p->width() - 12 - 95, 54, 95, 45);
  } else {
    panel_.reset();
    setFixedSize(277, 127);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(pal);
    setAutoFillBackground(true);
    auto* logo = new QLabel(this);
    logo->setObjectName("Logo");
    logo->setGeometry(4, 4, 185, 77);
    logo->setAlignment(Qt::AlignCenter);
    logo->setFrameShape(QFrame::StyledPanel);
    logo->setPixmap(QPixmap(":/art/LogoAbout.png"));
    auto* link = new TLinkLabel(kHomePage, this, [this] {
      if (ctx_.openUrl)
        ctx_.openUrl(kHomePage);
    });
    link->setObjectName("Address");
    link->setGeometry(4, 88, 269, 20);
    link->setAlignment(Qt::AlignCenter);
    QPalette lp = link->palette();
    lp.setColor(QPalette::WindowText, QColor(0, 0, 160));
    link->setPalette(lp);
    help->setGeometry(196, 4, 77, 45);
  }
}

TfrAbout::~TfrAbout() = default;

} // namespace zv
