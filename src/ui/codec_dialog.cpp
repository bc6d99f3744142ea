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
#include <algorithm>
#include <cstdio>

namespace zv {

std::string CodecPageLink(const std::string& request) { return "https://www.zelvar.org/codecs?" + request; }

namespace {
// The dialog both kinds share: a text, plain details, the codec page's link and OK.
void RunCodecDialog(const std::string& caption, const std::string& text, const std::string& details,
                    const std::string& link, const std::string& linkText, QWidget* owner) {
  QDialog box(owner);
  box.setWindowTitle(QString::fromStdString(caption));
  auto* layout = new QVBoxLayout(&box);
  auto* label = new QLabel(QString::fromStdString(text), &box);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* detail = new QLabel(&box);
  SetPlainText(detail, details);
  detail->setWordWrap(true);
  detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(detail);
  auto* address = new QLabel(&box);
  QString url = QString::fromStdString(link);
  address->setText("<a href=\"" + url.toHtmlEscaped() + "\">" + QString::fromStdString(linkText).toHtmlEscaped() +
                   "</a>");
  address->setTextInteractionFlags(Qt::TextBrowserInteraction);
  QObject::connect(address, &QLabel::linkActivated,
                   [](const QString& target) { QDesktopServices::openUrl(QUrl(target)); });
  layout->addWidget(address);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.exec();
}
} // namespace

void ShowCodecRequestDialog(const std::string& request, const std::string& fileName, QWidget* owner) {
  if (request.empty())
    return;
  std::string link = CodecPageLink(request);
  Log("NoDecompressor(" + request + ")");
  if (QGuiApplication::platformName() == "offscreen") {
    std::fprintf(stderr, "Zelvar: %s %s\n%s\n", Lang("Error.NoDecompressor").c_str(), link.c_str(), fileName.c_str());
    return;
  }
  RunCodecDialog("No decompressor", Lang("Error.NoDecompressor"), fileName, link, link, owner);
}

std::string DvdCodecDetails(const std::vector<std::string>& missing) {
  std::string details;
  std::vector<std::string> packages;
  for (const std::string& line : missing) {
    details += "\u2022 " + line + "\n";
    size_t open = line.find(" ("), close = line.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open + 2) {
      std::string package = line.substr(open + 2, close - open - 2);
      if (std::find(packages.begin(), packages.end(), package) == packages.end())
        packages.push_back(package);
    }
  }
  if (!packages.empty()) {
    details += "\nsudo apt install";
    for (const std::string& p : packages)
      details += " " + p;
  }
  return details;
}

void ShowDvdCodecDialog(const std::vector<std::string>& missing, QWidget* owner) {
  const std::string link = CodecPageLink("vidc=3247504D");
  const std::string details = DvdCodecDetails(missing);
  Log("DVDCodecRequired(" + details + ")");
  if (QGuiApplication::platformName() == "offscreen") {
    std::fprintf(stderr, "Zelvar: %s\n%s\n", Lang("Error.DVDCodec").c_str(), details.c_str());
    return;
  }
  RunCodecDialog("DVD codec required", Lang("Error.DVDCodec"), details, link, "Click here to download it from internet",
                 owner);
}

} // namespace zv
