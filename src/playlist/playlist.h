#pragma once

#include "core/prefs_access.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace zv {

class TMediaCache;

struct TBookMark {
  int64_t Position = 0; // 100 ns
  std::string Name;
  bool Selected = false;
};

struct TPlayEntry {
  std::string FileName; // absolute path, or a stream address as given
  std::string Title;
  std::vector<TBookMark> Bookmarks; // ascending by position
  int64_t Duration = -1;            // 100 ns; -1 unknown
  bool Selected = false;
  bool Current = false;
};

// The shuffle order: a permutation of the entry indices drawn from the program's random source,
// handed out forwards or backwards; a change of the entry count draws a new one.
class sfShuffle {
public:
  explicit sfShuffle(int count);
  int Forward(int count);
  int Backward(int count);
  // Re-seeds the random source and draws a new order.
  void Generate(int count);
  // Draws a new order from the random source as it stands.
  void Draw(int count);
  int Position() const { return position_; }
  int Count() const { return count_; }
  const std::vector<int>& Order() const { return order_; }

private:
  std::vector<int> order_; // count + 1 elements, the last stays -1
  int count_ = 0;
  int position_ = -1;
};

// The player the playlist starts for its current entry.
class TMediaInfo;

class IPlaylistPlayer {
public:
  virtual ~IPlaylistPlayer() = default;
  virtual void PlayFile(const std::string& name) = 0;
  // Whether the last PlayFile opened the file.
  virtual bool Opened() const { return true; }
  // The opening goes on in the background (a stream's server is being reached); it ends in
  // TPlayList::PlayerOpenEnded.
  virtual bool Pending() const { return false; }
  virtual int64_t GetPosition() = 0;
  virtual void SeekTo(int64_t position) = 0;
  // What the media information found in the opened file; none before a file is open.
  virtual TMediaInfo* MediaInfo() { return nullptr; }
  // The files played as one (a film joined from its parts), the opened file first; empty when the
  // file played alone.
  virtual std::vector<std::string> PlayedParts() const { return {}; }
  // The media the player has open (a file's path or a stream's address), empty when none.
  virtual std::string OpenedFile() const { return {}; }
  // Seeks to where the open file was left last time (its per-file settings); false when nothing
  // was kept.
  virtual bool SeekToLastPosition() { return false; }
};

class TPlayList;
class IMediaDetector;

// What the playlist needs from the rest of the program.
class IPlaylistHost {
public:
  virtual ~IPlaylistHost() = default;
  // A new player for `list`; when its stream ends it calls list.PlayerCompleted().
  virtual std::unique_ptr<IPlaylistPlayer> CreatePlayer(TPlayList& list) = 0;
  // The duration the engine reports for the opened media; -1 when it is unknown.
  virtual int64_t OpenedDuration() = 0;
  // Runs a command now (stop) or posts it to run after the current one (exit, power actions).
  virtual void ExecCommand(int code) = 0;
  virtual void PostCommand(int code) = 0;
  // Runs `work` once the current event has been handled.
  virtual void Defer(std::function<void()> work) = 0;
  // Lets the user interface handle what is pending (long additions stay responsive).
  virtual void ProcessEvents() {}
  // "A", "V", "P" or empty: the type the preferences' file-type table gives the extension.
  virtual std::string FileType(const std::string& extension) = 0;
  virtual bool MainWindowActive() { return false; }
  // The list went empty or got its first entry.
  virtual void ListHasEntries(bool) {}
  // Playback of the current entry has started: transport indicators, "App.SuperPlay".
  virtual void PlaybackStarted() {}
  // The views bring the current row into view.
  virtual void ShowCurrentRow() {}
  virtual void ShuffleShown(bool) {}
  // An add loop has ended: commands held back while it ran may go now.
  virtual void AddingFinished() {}
  // Artist, title and duration from the file's tags; false when the media information cannot tell.
  virtual bool ReadTags(const std::string&, std::string&, std::string&, int64_t&) { return false; }
  // The duration the media information reads from a file (100 ns); -1 when unknown.
  virtual int64_t MeasureDuration(const std::string&) { return -1; }
};

// The ordered list of media the player works through: adding files, folders and playlist files,
// navigation with repeat and shuffle, bookmarks, sorting and the end-of-list action.
// User-interface thread only.
class TPlayList {
public:
  TPlayList(IPrefs& prefs, IPlaylistHost& host, TMediaCache* cache = nullptr);
  ~TPlayList();
  TPlayList(const TPlayList&) = delete;
  TPlayList& operator=(const TPlayList&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  TPlayEntry& Items(int index) { return *entries_[static_cast<size_t>(index)]; }
  const TPlayEntry& Items(int index) const { return *entries_[static_cast<size_t>(index)]; }
  int CurrentIndex() const;
  void SetCurrent(int index);
  std::string CurrentTitle() const;

  void BeginUpdate() { ++updateDepth_; }
  bool Updating() const { return updateDepth_ > 0; }
  void EndUpdate();
  void Changed();
  std::function<void()> onChange;

  void AddFile(const std::string& name);
  void AddFolder(const std::string& path);
  void AddList(const std::vector<std::string>& names);
  void AddWithSimilar(const std::string& name);
  void AddFromZVP(const std::string& file);
  void SaveToZVP(const std::string& file);
  // The other players' formats. M3U (".m3u8" as UTF-8) and PLS are also written; every name in
  // them is read relative to the list's folder, and a title or length line belongs to the entry
  // its file line added (none after a refused doublet).
  void AddFromM3U(const std::string& file);
  void AddFromPLS(const std::string& file);
  void AddFromLST(const std::string& file);
  void AddFromASX(const std::string& file);
  void SaveToM3U(const std::string& file);
  void SaveToPLS(const std::string& file);

  // The playlist as a report: the template's head, its entry part once per entry with the
  // entry's media information, and its tail with the totals. A template file that does not exist
  // selects the built-in HTML template. Values are HTML-escaped when the output is an HTML file.
  struct TReportContext {
    std::string version;                // "%ZVVersion%"
    std::string lastUpdate;             // "%LastUpdate%"
    std::function<void(int)> progress;  // after each entry, with its index
    IMediaDetector* detector = nullptr; // for files the program's own readers do not know
  };
  void WriteReport(const std::string& output, const std::string& templateFile, const TReportContext& context);
  static std::string ReportTemplate(const std::string& templateFile);
  // True while an add loop runs (commands that would change the list wait for its end).
  bool Adding() const { return adding_ > 0; }
  // The program is leaving: add loops end at their next step and nothing more is added.
  void StopAdding() { stopAdding_ = true; }

  void Clear();
  void Delete(int index);
  // Removes the entries of these indices (any order, doubles and indices out of range ignored).
  void DeleteMany(std::vector<int> indices);
  void Move(int from, int to);
  // Every selected entry i goes to i + delta in one pass, the others keeping their order around
  // them; nothing when any would leave the list.
  void MoveSelected(int delta);
  void Reverse();
  void SortByFullPath();
  void SortByTitle();
  void SortByFileName();

  void AddBookmark(int entry, const std::string& name, int64_t position);
  // Adds a name read from a playlist file in `folder` (trailing "/"); the entry it added, or none.
  TPlayEntry* AddListed(std::string name, const std::string& folder);
  void DeleteBookmark(int entry, int bookmark);
  void AddBookmarkAtPlayPosition();

  void SetDuration(const std::string& fileName, int64_t duration);
  int64_t TotalDuration() const;

  void Play();
  void PlayIndex(int index, int bookmark = -1);
  void Stop();
  void Next();
  void Previous();
  // Called by the player while the engine's event is handled; the reaction runs after it.
  void PlayerCompleted();
  // A player whose opening went on in the background has ended it.
  void PlayerOpenEnded(bool opened);
  // The current entry is being opened in the background.
  bool Opening() const { return player_ && player_->Pending(); }
  void OnComplete();
  void ToggleShuffle();

  IPlaylistPlayer* Player() const { return player_.get(); }
  bool ShuffleOn() const { return shuffle_ != nullptr; }
  const sfShuffle* Shuffle() const { return shuffle_.get(); }
  // Whether the main window was active when the current entry was started.
  bool WindowWasActive() const { return windowWasActive_; }
  bool hibernateWhenDone = false;
  bool powerOffWhenDone = false;
  // An end-of-list action for this run only (-1: the preference decides).
  int endActionOverride = -1;

  // "FilmPart1.avi" from "Film [Rip] - Part_1.avi".
  static std::string NormalizeName(std::string text);
  // "[ 01:02:03 ]" and the ZVP file's "01:02:03.456".
  static std::string BookmarkTime(int64_t position);

private:
  void PlayCurrent();
  void OpenEnded(bool opened);
  void OnPlayListEnd();
  int ShuffleIndex(int count, bool forward);
  bool Repeat();
  std::string FileTypeOf(const std::string& path);
  void AddFolderItems(const std::string& folder, bool recursive, const std::function<void(const std::string&)>& add);
  void Unindex(const TPlayEntry& e);

  IPrefs& prefs_;
  IPlaylistHost& host_;
  TMediaCache* cache_;
  int updateDepth_ = 0;
  int adding_ = 0;
  bool stopAdding_ = false;
  std::vector<std::unique_ptr<TPlayEntry>> entries_;
  std::unordered_map<std::string, int> names_; // FileName -> number of entries bearing it
  std::unique_ptr<IPlaylistPlayer> player_;
  std::unique_ptr<sfShuffle> shuffle_;
  bool windowWasActive_ = false;
  int failedInARow_ = 0; // entries that could not be opened, one after the other
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace zv
