#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <string>
#include <utility>
#include <vector>

namespace art {

// The base bitmap of the plain built-in look: button, caption and glyph strips, bar pieces and
// the colour pixels the program reads.
QImage DrawBaseBitmap();
// The 24 × 53 grey border picture that the window tints with the caption colours.
QImage DrawMainBorder();
// The colours of a package skin drawn here.
struct TSkinPalette {
  QColor caption{0x17, 0x18, 0x1B}, panel{0x1E, 0x1F, 0x22}, raised{0x26, 0x28, 0x2C}, line{0x34, 0x37, 0x3C};
  QColor text{0xE8, 0xEA, 0xED}, secondary{0x9A, 0xA0, 0xA6}, dim{0x4A, 0x4D, 0x52};
  QColor accent{0x3D, 0x8B, 0xFD}, accentHover{0x5A, 0x9C, 0xFF};
  // The digit displays. Without a background of their own, a text control shows the colour
  // 0x800000 (navy) wherever its glyphs do not reach, so the built-in skin's displays are navy.
  QColor lcd{0x00, 0x00, 0x80}, lcdText{0xCF, 0xE3, 0xFF};
  bool textBackground = false;
};
TSkinPalette DefaultPalette(); // the built-in package, dark with a blue accent
TSkinPalette EmberPalette();   // the skin folder shipped beside it, warm graphite with orange
// A package skin's members (interface.xml, mix.bmp), and the same as a ZIP archive.
std::vector<std::pair<std::string, std::string>> DrawPackageMembers(const TSkinPalette& palette);
std::string DrawPackageSkin(const TSkinPalette& palette);
QImage DrawAppIcon(int size);
QImage DrawLogo(QSize size, QColor background, bool dark);
QImage DrawSpringLogo(QSize size);

std::string ToBmp(const QImage& image);
std::string PngBytes(const QImage& image);
bool WriteFile(const std::string& path, const std::string& bytes);

} // namespace art
