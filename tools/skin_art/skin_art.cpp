// Draws the program's built-in art: the base bitmap of the plain look (DefaultSkin.bmp), the
// window border picture (MainBrd.bmp), the built-in skin package (DefNewSkin.zvs: mix.bmp and
// its interface.xml), the skin folder Ember and the program icon. Everything is drawn here with QPainter from fixed
// numbers: the same build makes the same bytes.
//   zv_skin_art <output folder>
#include "icons.h"
#include "sheet.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <string>

using namespace art;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zv_skin_art <output folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  std::string out = argv[1];
  bool ok = WriteFile(out + "/DefaultSkin.bmp", ToBmp(DrawBaseBitmap())) &&
            WriteFile(out + "/MainBrd.bmp", ToBmp(DrawMainBorder())) &&
            WriteFile(out + "/DefNewSkin.zvs", DrawPackageSkin(DefaultPalette())) &&
            WriteFile(out + "/zelvar.png", PngBytes(DrawAppIcon(64))) &&
            WriteFile(out + "/tray.png", PngBytes(DrawAppIcon(32))) &&
            WriteFile(out + "/LogoAbout.png", PngBytes(DrawLogo(QSize(185, 77), QColor(0xC0, 0xC0, 0xC0), false)));
  // The video area's logos: the usual one, and one with spring flowers for the week of 8 March.
  ok = ok && WriteFile(out + "/LogoDefault.png", PngBytes(DrawLogo(QSize(300, 120), Qt::black, true))) &&
       WriteFile(out + "/Logo8March.png", PngBytes(DrawSpringLogo(QSize(300, 120))));
  ok = ok && WriteFile(out + "/ConfigIcons.png", PngBytes(DrawConfigIcons(48)));
  // A skin folder of the program's own, to choose beside the built-in looks.
  QDir().mkpath(QString::fromStdString(out + "/Ember"));
  for (const auto& [name, bytes] : DrawPackageMembers(EmberPalette()))
    ok = ok && WriteFile(out + "/Ember/" + name, bytes);
  return ok ? 0 : 1;
}
