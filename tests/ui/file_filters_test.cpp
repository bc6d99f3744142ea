#include "ui/file_filters.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(FileFilters, PairsBecomeQtFiltersAndAllFilesListNamesWithoutExtension) {
  EXPECT_EQ(QtFileFilters("Media files(*.AVI;*.MP3)|*.AVI;*.MP3|Playlists(*.M3U8)|*.M3U8|All files(*.*)|*.*"),
            (QStringList{"Media files (*.AVI *.MP3)", "Playlists (*.M3U8)", "All files (*)"}));
  EXPECT_EQ(QtFileFilters("Zelvar Playlist (*.zvp)|*.zvp|Winamp Playlist (*.m3u)|*.m3u"),
            (QStringList{"Zelvar Playlist (*.zvp)", "Winamp Playlist (*.m3u)"}));
  EXPECT_EQ(QtFileFilters("Nothing()|"), (QStringList{"Nothing ()"}));
  EXPECT_TRUE(QtFileFilters("").isEmpty());
  EXPECT_TRUE(QtFileFilters("odd").isEmpty()) << "a description without masks is dropped";
}
