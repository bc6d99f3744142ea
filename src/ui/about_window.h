#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>
#include <string>

namespace zv {

class TOptiWrapper;

// The makers' web page, shown in the about window and opened by its skin's first button.
inline constexpr const char* kHomePage = "https://zelvar.org/";

// Where the about window goes: centred over the main window (half the size difference, toward
// zero), moved right and down as needed so that neither its left nor its top is negative.
QPoint AboutPosition(QRect main, QSize about);

struct TAboutContext {
  std::string caption; // "Zelvar 4.4 (build 512)"
  // Builds the skin's about panel into the window; empty without a package skin.
  std::function<std::unique_ptr<TOptiWrapper>(QWidget* parent)> buildSkinPanel;
  std::function<void()> help;
  std::function<void(const std::string& url)> openUrl;
};

// The about window: the logo, the makers' address and a Help button in the plain layout; the
// skin's about panel behind the Help button when a package skin is shown.
class TfrAbout : public QDialog {
public:
  explicit TfrAbout(TAboutContext context, QWidget* parent = nullptr);
  ~TfrAbout() override;
  bool Skinned() const { return panel_ != nullptr; }
  QWidget* HelpButton() const { return help_; }

private:
  TAboutContext ctx_;
  std::unique_ptr<TOptiWrapper> panel_;
  QWidget* help_ = nullptr;
};

} // namespace zv
