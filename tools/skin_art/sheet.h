#pragma once

#include <QImage>
#include <QSize>
#include <string>

namespace art {

// The base bitmap of the plain built-in look: button, caption and glyph strips, bar pieces and
// the colour pixels the program reads.
QImage DrawBaseBitmap();
// The 24 × 53 grey border picture that the window tints with the caption colours.
QImage DrawMainBorder();
// The built-in skin package: a ZIP archive holding mix.bmp and interface.xml.
std::string DrawPackageSkin();
QImage DrawAppIcon(int size);
QImage DrawLogo(QSize size, QColor background, bool dark);

std::string ToBmp(const QImage& image);
std::string PngBytes(const QImage& image);
bool WriteFile(const std::string& path, const std::string& bytes);

} // namespace art
