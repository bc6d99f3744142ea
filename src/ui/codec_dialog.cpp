#include "ui/codec_dialog.h"

#include "core/session_log.h"
#include "skin/language_manager.h"
#include "ui/plain_text.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdio>

namespace zv {

std::string CodecPageLink(const std::string& request) { return "https://www.zelvar.org/codecs?" + request; }

void ShowCodecRequestDialog(const std::string& request, const std::string& fileName, QWidget* owner) {
  if (request.empty())
    return;
  std::string link = CodecPageLink(request);
  Log("NoDecompressor(" + request + ")");
  if (QGuiApplication::platformName() == "offscreen") {
    std::fprintf(stderr, "Zelvar: %s %s\n%s\n", Lang("Error.NoDecompressor").c_str(), link.c_str(), fileName.c_str());
    return;
  }
  QDialog box(owner);
  box.setWindowTitle("No decompressor");
  auto* layout = new QVBoxLayout(&box);
  auto* text = new QLabel(QString::fromStdString(Lang("Error.NoDecompressor")), &box);
  text->setWordWrap(true);
  layout->addWidget(text);
  auto* file = new QLabel(&box);
  SetPlainText(file, fileName);
  file->setWordWrap(true);
  layout->addWidget(file);
  auto* address = new QLabel(&box);
  QString url = QString::fromStdString(link);
  address->setText("<a href=\"" + url.toHtmlEscaped() + "\">" + url.toHtmlEscaped() + "</a>");
  address->setTextInteractionFlags(Qt::TextBrowserInteraction);
  QObject::connect(address, &QLabel::linkActivated,
                   [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });
  layout->addWidget(address);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}

} // namespace zv
