#pragma once

namespace zv {

// Every numbered command by name: key bindings, buttons, menus and the remote all end in one of
// these codes, which the executor carries out.
enum TCommandCode : int {
  // File
  cmdOpenFiles = 50,
  cmdFileInfo = 51,
  cmdFileOSDInfo = 52,
  cmdScanDriveFirst = 53, // 53 … 78: the drive menu's volumes, not in the table
  cmdScanDriveLast = 78,
  cmdSelectedFileInfo = 79, // the playlist's selected entry, not in the table
  // Playback
  cmdUnload = 100,
  cmdPlay = 101,
  cmdPlayPause = 102,
  cmdSpeedPlay = 103,
  cmdFilters = 104,
  cmdPause = 105,
  cmdPlayDisk = 106,
  // Seek
  cmdFrameStep = 150,
  cmdFrameBack = 151,
  cmdSeekForward = 152,
  cmdSeekBackward = 153,
  cmdJumpForward = 154,
  cmdJumpBackward = 155,
  cmdRewind = 156,
  cmdSetBookmark = 157,
  cmdMarkOpeningEnding = 158,
  cmdSeekLastPosition = 159,
  // Window
  cmdControlPanel = 200,
  cmdPlaylist = 201,
  cmdFullScreen = 202,
  cmdOriginalSize = 203,
  cmdStayOnTop = 204,
  cmdMinimize = 205,
  cmdMaximize = 206,
  cmdAdvancedPlaylist = 207,
  cmdHideEverything = 208, // the hide-everything hot key, not in the table
  // Playlist
  cmdNext = 250,
  cmdPrevious = 251,
  cmdPlaySelected = 252,
  cmdAddFiles = 253,
  cmdAddFolder = 254,
  cmdRemove = 255,
  cmdClear = 256,
  cmdSavePlaylist = 257,
  cmdMoveUp = 258,
  cmdMoveDown = 259,
  cmdShuffle = 260,
  cmdSort = 261,
  cmdReport = 262,
  cmdRepeat = 263,
  cmdBookmarks = 264,
  cmdJumpToFile = 265,
  cmdSearchOnDisk = 266,
  cmdDeleteFromDisk = 267,
  // Video
  cmdVideoSettings = 300,
  cmdScreenShot = 301,
  cmdScale50 = 302,
  cmdScale100 = 303,
  cmdScale200 = 304,
  cmdAspectAsIs = 305,
  cmdAspect16x9 = 306,
  cmdAspect4x3 = 307,
  cmdAspectByWidth = 308,
  cmdAspectByHeight = 309,
  cmdAspectCustom = 310,
  cmdAspectFree = 311,
  cmdZoomIn = 312,
  cmdZoomOut = 313,
  cmdBrightnessUp = 314,
  cmdBrightnessDown = 315,
  cmdContrastUp = 316,
  cmdContrastDown = 317,
  cmdSaturationUp = 318,
  cmdSaturationDown = 319,
  cmdColorReset = 320,
  // Subtitles
  cmdLoadSubtitles = 350,
  cmdShowSubtitles = 351,
  cmdSubtitleSettings = 352,
  cmdSubtitleUp = 353,
  cmdSubtitleDown = 354,
  cmdSubtitleShiftUp = 355,
  cmdSubtitleShiftDown = 356,
  // Sound
  cmdSoundSettings = 400,
  cmdVolumeUp = 401,
  cmdVolumeDown = 402,
  cmdMute = 403,
  cmdAdditionalSound = 404,
  cmdNextAudioStream = 405,
  // Application
  cmdPreferences = 450,
  cmdHelp = 451,
  cmdAbout = 452,
  cmdExit = 453,
  cmdPowerOff = 454,
  cmdHibernate = 455,
  cmdMonitorOff = 456,
  cmdAntiBoss = 457,
  cmdHibernateWhenDone = 458,
  cmdPowerOffWhenDone = 459,
  // DVD
  cmdPlayDVD = 500,
  cmdDVDMenu = 501,
  cmdOpenDVDFolder = 502,
};

// The desktop's application commands by their numbers, as multimedia keyboards, remote controls and
// the desktop's media controls send them.
enum TAppCommand {
  appMute = 8,
  appVolumeDown = 9,
  appVolumeUp = 10,
  appNextTrack = 11,
  appPreviousTrack = 12,
  appStop = 13,
  appPlayPause = 14,
  appHelp = 27,
  appOpen = 30,
  appClose = 31,
  appPlay = 46,
  appPause = 47,
  appFastForward = 49,
  appRewind = 50,
  appChannelUp = 51,
  appChannelDown = 52,
};
} // namespace zv
