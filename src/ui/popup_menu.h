#pragma once

#include "ui/popup_menu_logic.h"

#include <QImage>
#include <QMenu>

namespace zv {

class TBaseSkin;

// The program's popup menu: built from scratch at every opening (so the keys, the language and
// the state are those of the moment) and drawn in the colours of the base bitmap. A chosen item
// posts its command, which runs once the menu has closed.
class TFullPopupMenu : public QMenu {
public:
  TFullPopupMenu(QWidget* parent, const TBaseSkin& base);
  ~TFullPopupMenu() override;

  // What a build reads; set by the window.
  std::function<TMenuFacts()> facts;
  TMenuTexts texts;
  std::function<void(int)> post;
  // A disc's title (from 1) and sound stream (from 0) chosen in the DVD submenus.
  std::function<void(int)> playDvdTitle, selectDvdAudio;
  // The package skin's item background ("Menu.BG") and category pictures ("Menu.Pics"), or none.
  void SetSkinPictures(const QImage& background, const QImage& pictures);

  // Builds the full or the playlist menu into this menu and returns its tree.
  const std::vector<TMenuItem>& Build(bool playlistForm);
  const std::vector<TMenuItem>& Tree() const { return tree_; }
  // Builds and shows the menu at a screen point without waiting for it to close.
  void Open(QPoint at, bool playlistForm);
  // Builds the full menu and shows only its submenu with that caption (nothing when none has it).
  void OpenSubmenu(QPoint at, const std::string& caption);

private:
  void Fill(QMenu* menu, const std::vector<TMenuItem>& items);
  QIcon Picture(const TMenuItem& item) const;

  const TBaseSkin& base_;
  QImage background_, pictures_;
  std::vector<TMenuItem> tree_;
  class TStyle;
  TStyle* style_;
};

} // namespace zv
