#pragma once

#include <cstdint>
#include <string>

namespace zv {

// Where a screen shot goes and what it is called.

// The media's name without folder and extension (a URL's last path part): "/", "\" and control
// characters become "_", leading dots go, and an empty name becomes "shot".
std::string ScreenShotBase(const std::string& media);
// base + "." + the position as "{H}-{M}-{S}.{MS}" + ".bmp" ("film.1-02-03.456.bmp").
std::string ScreenShotName(const std::string& base, int64_t position);
// The folder, with a trailing slash: App.ScreenShotDir trimmed ("{MyDocs}" standing for the
// documents folder), or the documents folder when that is empty or no existing folder; with
// Video.CreateRelatedDirectoryName a sub-folder named as the base inside it (not created here).
std::string ScreenShotFolder(const std::string& dirPref, const std::string& documents, bool related,
                             const std::string& base);
// The BMP file as a JPEG beside it (".jpg"); the BMP is removed only once the JPEG is written
// whole. Returns the file that holds the picture afterwards: the JPEG, or the BMP on a failure.
std::string ConvertShotToJpeg(const std::string& bmpFile);

} // namespace zv
