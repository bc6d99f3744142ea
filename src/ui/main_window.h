#pragma once

#include <QMainWindow>
#include <functional>
#include <string>

namespace zv {

// The main window. It is created hidden, shown by the core once the skin is applied, and freed
// last. Numbered commands posted to it are handed to the command executor.
class TfrMain : public QMainWindow {
public:
  explicit TfrMain(QWidget* parent = nullptr);

  // Hands every command code except the reserved 1000 and 1001 to the executor.
  std::function<void(int)> executeCommand;
  // Runs when the user closes the window.
  std::function<void()> onCloseRequest;
  // Receives the binding name of every key pressed in the window ("Ctrl+M").
  std::function<void(const std::string&)> onKeyName;

  void SetTitle(const std::string& text);
  // The window counts as hidden when it is minimised or not shown at all.
  bool IsHiddenForUser() const;
  // Restores a hidden window and raises it above the others.
  void BringToFront();
  // The playlist's play request, carried out by the window's own timer (later).
  void RequestPostponedPlay() { postponedPlay_ = true; }
  bool PostponedPlayRequested() const { return postponedPlay_; }
  std::string CaptionText() const { return caption_; }

protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  bool postponedPlay_ = false;
  std::string caption_;
};

} // namespace zv
