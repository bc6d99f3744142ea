#include "ui/popup_menu.h"

#include "skin/opti_controls.h"
#include "ui/base_skin.h"
#include "ui/plain_text.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace zv {

// Draws the items itself: the base bitmap's colours, a 20-pixel icon column, the name at the left
// and the key right-aligned.
class TFullPopupMenu::TStyle : public QProxyStyle {
public:
  TStyle(const TBaseSkin& base, const QImage& background) : base_(base), background_(background) {}

  QColor At(int x, int y) const { return QColor::fromRgb(base_.Bitmap().Pixel(x, y)); }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* p, const QWidget* w) const override {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item) {
      QProxyStyle::drawControl(element, option, p, w);
      return;
    }
    // The menu paints all its items with one painter: nothing set here reaches the next item.
    p->save();
    DrawItem(item, p);
    p->restore();
  }

  void DrawItem(const QStyleOptionMenuItem* item, QPainter* p) const {
    const QRect r = item->rect;
    p->fillRect(r, At(777, 113));
    const QRect icons(r.left(), r.top(), 20, r.height());
    p->fillRect(icons, At(775, 113));
    if (!background_.isNull())
      p->drawImage(QRect(r.left(), r.top(), 20, 20), background_);
    const bool enabled = item->state & State_Enabled;
    QColor text = enabled ? At(778, 114) : At(778, 118);
    if ((item->state & State_Selected) && enabled && item->menuItemType != QStyleOptionMenuItem::Separator) {
      p->fillRect(r, At(776, 120));
      p->setPen(At(775, 119));
      p->setBrush(Qt::NoBrush);
      p->drawRect(r.adjusted(0, 0, -1, -1));
      text = At(777, 121);
    }
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
      p->fillRect(QRect(r.left() + 20, r.top() + 1, r.width() - 20, r.height() - 2), At(775, 113));
      return;
    }
    if (!item->icon.isNull())
      p->drawPixmap(r.left() + 2, r.top() + 2, item->icon.pixmap(16, 16));
    const QString caption = item->text;
    const qsizetype tab = caption.indexOf('\t');
    const QString name = tab < 0 ? caption : caption.left(tab), key = tab < 0 ? QString() : caption.mid(tab + 1);
    p->setPen(text);
    p->setFont(item->font);
    const int ascentTop = r.top() + 3;
    p->drawText(QRect(r.left() + 22, ascentTop, r.width() - 22, r.height() - 3),
                Qt::AlignLeft | Qt::AlignTop | Qt::TextHideMnemonic, name);
    p->drawText(QRect(r.left(), ascentTop, r.width() - 5, r.height() - 3),
                Qt::AlignRight | Qt::AlignTop | Qt::TextHideMnemonic, key);
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
      // The arrow of a submenu in the text colour.
      const int cx = r.right() - 6, cy = r.center().y();
      QPolygon arrow({QPoint(cx - 3, cy - 4), QPoint(cx + 1, cy), QPoint(cx - 3, cy + 4)});
      p->setBrush(text);
      p->setPen(Qt::NoPen);
      p->drawPolygon(arrow);
    }
  }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* p,
                     const QWidget* w) const override {
    if (element == PE_FrameMenu || element == PE_PanelMenu) {
      // A one-pixel frame a step lighter than the separators around the item background.
      p->fillRect(option->rect, At(777, 113));
      p->setPen(At(775, 113).lighter(135));
      p->setBrush(Qt::NoBrush);
      p->drawRect(option->rect.adjusted(0, 0, -1, -1));
      return;
    }
    QProxyStyle::drawPrimitive(element, option, p, w);
  }

  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* w) const override {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item)
      return QProxyStyle::sizeFromContents(type, option, size, w);
    if (item->menuItemType == QStyleOptionMenuItem::Separator)
      return QSize(size.width(), 3);
    const QFontMetrics fm(item->font);
    QString caption = item->text;
    caption.replace('\t', ' ').replace("&&", "&"); // drawn without shortcut marks
    return QSize(fm.horizontalAdvance(caption) + 42, fm.height() + 7);
  }

  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* w) const override {
    if (metric == PM_MenuPanelWidth || metric == PM_MenuHMargin || metric == PM_MenuVMargin)
      return 1;
    return QProxyStyle::pixelMetric(metric, option, w);
  }

private:
  const TBaseSkin& base_;
  const QImage& background_;
};

TFullPopupMenu::TFullPopupMenu(QWidget* parent, const TBaseSkin& base)
    : QMenu(parent), base_(base), style_(new TStyle(base, background_)) {
  setObjectName("PopupMenu");
  style_->setParent(this);
  setStyle(style_);
}

TFullPopupMenu::~TFullPopupMenu() = default;

void TFullPopupMenu::SetSkinPictures(const QImage& background, const QImage& pictures) {
  background_ = background;
  pictures_ = pictures;
}

QIcon TFullPopupMenu::Picture(const TMenuItem& item) const {
  if (item.pictureX < 0)
    return {};
  // The 16 x 16 area on the key colour, which then turns transparent; the category's cell of the
  // skin's pictures over it.
  const uint32_t key = base_.KeyArgb();
  TBitmap32 cell(16, 16, key);
  cell.CopyFrom(base_.Bitmap(), TRect{item.pictureX, item.pictureY, item.pictureX + 16, item.pictureY + 16}, 0, 0);
  QImage image = ToQImage(cell).convertToFormat(QImage::Format_ARGB32);
  if (item.category >= 0 && !pictures_.isNull()) {
    QPainter p(&image);
    p.drawImage(QPoint(-17 * (item.category / 5), -17 * (item.category % 5)), pictures_);
  }
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if ((row[x] | 0xFF000000u) == (key | 0xFF000000u))
        row[x] = 0;
  }
  return QIcon(QPixmap::fromImage(image));
}

void TFullPopupMenu::Fill(QMenu* menu, const std::vector<TMenuItem>& items) {
  for (const TMenuItem& item : items) {
    if (item.Separator()) {
      menu->addSeparator();
    } else if (item.Submenu() || !item.items.empty()) {
      QMenu* sub = menu->addMenu(Picture(item), PlainMenuText(item.caption));
      sub->setStyle(style_);
      sub->setEnabled(item.enabled);
      Fill(sub, item.items);
    } else {
      QAction* a = menu->addAction(Picture(item), PlainMenuText(item.caption));
      a->setEnabled(item.enabled);
      a->setData(item.code);
      if (item.code >= 0) {
        const int code = item.code;
        connect(a, &QAction::triggered, this, [this, code] {
          if (post)
            post(code);
        });
      } else if (item.dvdTitle > 0 || item.dvdStream >= 0) {
        const int title = item.dvdTitle, stream = item.dvdStream;
        connect(a, &QAction::triggered, this, [this, title, stream] {
          if (title > 0 && playDvdTitle)
            playDvdTitle(title);
          else if (stream >= 0 && selectDvdAudio)
            selectDvdAudio(stream);
        });
      }
    }
  }
}

const std::vector<TMenuItem>& TFullPopupMenu::Build(bool playlistForm) {
  clear();
  // The submenus of the last opening go with theirs.
  for (QMenu* sub : findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
    delete sub;
  const TMenuFacts f = facts ? facts() : TMenuFacts{};
  tree_ = playlistForm ? BuildPlaylistMenu(f, texts) : BuildFullMenu(f, texts);
  Fill(this, tree_);
  return tree_;
}

void TFullPopupMenu::OpenSubmenu(QPoint at, const std::string& caption) {
  Build(false);
  for (QAction* a : actions())
    if (a->menu() && a->text() == PlainMenuText(caption)) {
      a->menu()->popup(at);
      return;
    }
}

void TFullPopupMenu::Open(QPoint at, bool playlistForm) {
  Build(playlistForm);
  popup(at);
}

} // namespace zv
