#include "playlist/playlist.h"

#include "core/atomic_file.h"
#include "core/format.h"
#include "core/random.h"
#include "core/resources.h"
#include "core/session_log.h"
#include "core/stream.h"
#include "core/text_codec.h"
#include "core/text_util.h"
#include "filters/cached_file.h"
#include "mediainfo/media_info.h"
#include "prefs/media_store.h"
#include "prefs/xml_tree.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

namespace zv {
namespace fs = std::filesystem;

namespace {

std::string AbsolutePath(const std::string& name) {
  std::error_code ec;
  fs::path p = fs::absolute(fs::path(name), ec);
  if (ec)
    return name;
  return p.lexically_normal().string();
}

// The folder of a playlist file, with a trailing "/": the base of the names it holds.
std::string ListFolder(const std::string& file) { return fs::path(AbsolutePath(file)).parent_path().string() + "/"; }

// "film" from "/media/film.avi".
std::string BaseName(const std::string& path) { return fs::path(path).stem().string(); }

std::string Extension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  return ext.empty() ? ext : ext.substr(1);
}

// Order statistics over the indices 0..n-1 that are still free: the r-th free index in O(log n).
class TFreeIndices {
public:
  explicit TFreeIndices(int n) : tree_(static_cast<size_t>(n) + 1, 0) {
    for (int i = 1; i <= n; ++i) {
      tree_[static_cast<size_t>(i)] += 1;
      int parent = i + (i & -i);
      if (parent <= n)
        tree_[static_cast<size_t>(parent)] += tree_[static_cast<size_t>(i)];
    }
    step_ = 1;
    while (step_ * 2 <= n)
      step_ *= 2;
  }
  // Takes the r-th (0-based) free index out.
  int Take(int r) {
    int pos = 0;
    int n = static_cast<int>(tree_.size()) - 1;
    for (int step = step_; step > 0; step /= 2)
      if (pos + step <= n && tree_[static_cast<size_t>(pos + step)] <= r) {
        pos += step;
        r -= tree_[static_cast<size_t>(pos)];
      }
    for (int i = pos + 1; i <= n; i += i & -i)
      tree_[static_cast<size_t>(i)] -= 1;
    return pos;
  }

private:
  std::vector<int> tree_;
  int step_ = 0;
};
} // namespace

// ---------------------------------------------------------------------------------------------
// Shuffle order

sfShuffle::sfShuffle(int count) {
  Generate(count);
  position_ = -1;
}

void sfShuffle::Generate(int count) {
  rnd::Randomize();
  Draw(count);
}

void sfShuffle::Draw(int count) {
  count_ = std::max(count, 0);
  order_.assign(static_cast<size_t>(count_) + 1, -1);
  // Each place draws among the indices not used yet, in ascending order.
  TFreeIndices free(count_);
  for (int j = 0; j < count_; ++j) {
    int r = static_cast<int>(rnd::Random(static_cast<uint32_t>(count_ - j)));
    order_[static_cast<size_t>(j)] = free.Take(r);
  }
}

int sfShuffle::Forward(int count) {
  ++position_;
  if (position_ > count - 1 || count != count_) {
    Generate(count);
    position_ = 0;
  }
  return order_[static_cast<size_t>(position_)];
}

int sfShuffle::Backward(int count) {
  --position_;
  if (position_ < 0 || count != count_) {
    Generate(count);
    position_ = 0;
  }
  return order_[static_cast<size_t>(position_)];
}

// ---------------------------------------------------------------------------------------------
// The list

TPlayList::TPlayList(IPrefs& prefs, IPlaylistHost& host, TMediaCache* cache)
    : prefs_(prefs), host_(host), cache_(cache) {}

TPlayList::~TPlayList() {
  *alive_ = false;
  player_.reset();
}

int TPlayList::CurrentIndex() const {
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i]->Current)
      return static_cast<int>(i);
  return -1;
}

void TPlayList::SetCurrent(int index) {
  for (auto& e : entries_)
    e->Current = false;
  if (index >= 0 && index < Count())
    entries_[static_cast<size_t>(index)]->Current = true;
}

std::string TPlayList::CurrentTitle() const {
  int i = CurrentIndex();
  return i < 0 ? std::string() : Items(i).Title;
}

void TPlayList::EndUpdate() {
  --updateDepth_;
  Changed();
}

void TPlayList::Changed() {
  host_.ListHasEntries(Count() > 0);
  if (updateDepth_ <= 0 && onChange)
    onChange();
}

void TPlayList::Unindex(const TPlayEntry& e) {
  auto it = names_.find(e.FileName);
  if (it != names_.end() && --it->second <= 0)
    names_.erase(it);
}

bool TPlayList::Repeat() { return prefs_.GetBool("PlayList.Repeat"); }

std::string TPlayList::FileTypeOf(const std::string& path) { return host_.FileType(Extension(path)); }

// ---------------------------------------------------------------------------------------------
// Adding

void TPlayList::AddFile(const std::string& name) {
  if (stopAdding_)
    return;
  ++adding_;
  host_.ProcessEvents();
  --adding_;
  if (stopAdding_)
    return;
  if (!prefs_.GetBool("Playlist.AddDoublet") && names_.count(name))
    return;
  auto e = std::make_unique<TPlayEntry>();
  bool stream = IsStreamName(name);
  e->FileName = stream ? name : AbsolutePath(name);
  if (!stream && cache_)
    if (TXMLNode* entry = cache_->FindEntry(e->FileName); entry && entry->FindAttr("dur"))
      e->Duration = StrToInt64Strict(entry->GetAttr("dur")).value_or(-1);
  static const char* const kTagged[] = {".MP1", ".MP2", ".MP3", ".WAV", ".OGG", ".MPC", ".APE", ".AAC", ".FLAC"};
  std::string ext = UpperCase(fs::path(name).extension().string());
  bool tagged = !stream && prefs_.GetBool("PlayList.GetNamesFromFileTags") &&
                std::any_of(std::begin(kTagged), std::end(kTagged), [&](const char* t) { return ext == t; });
  if (tagged) {
    std::string artist, title;
    int64_t duration = -1;
    host_.ReadTags(e->FileName, artist, title, duration);
    std::string separator = prefs_.GetString("PlayList.Separator");
    if (!artist.empty() && !title.empty())
      e->Title = artist + separator + title;
    else if (!artist.empty() || !title.empty())
      e->Title = artist.empty() ? title : artist;
    else
      e->Title = BaseName(e->FileName);
    if (prefs_.GetBool("PlayList.ShowDuration") && e->Duration == -1)
      e->Duration = duration;
  } else {
    e->Title = stream ? name : BaseName(e->FileName);
  }
  ++names_[e->FileName];
  Log("PlayList.AddFile(" + e->FileName + ")");
  entries_.push_back(std::move(e));
  Changed();
}

void TPlayList::AddFolderItems(const std::string& folder, bool recursive,
                               const std::function<void(const std::string&)>& add) {
  // The folder's own order is hash order on this system: an album would play shuffled and a split
  // film part 3 first. Names are taken in the order people expect.
  std::vector<fs::directory_entry> items;
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    items.push_back(*it);
  std::sort(items.begin(), items.end(), [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return NaturalLess(a.path().filename().string(), b.path().filename().string());
  });
  for (const fs::directory_entry& item : items) {
    if (stopAdding_)
      return;
    std::error_code sec;
    // Links to folders are not followed: a link back up the tree would never end.
    if (item.is_symlink(sec)) {
      if (item.is_regular_file(sec))
        add(item.path().string());
      continue;
    }
    if (item.is_directory(sec)) {
      if (recursive)
        AddFolderItems(item.path().string(), true, add);
    } else {
      add(item.path().string());
    }
  }
}

void TPlayList::AddFolder(const std::string& path) {
  TLogScope scope("TPlayList.AddFolder(" + path + ")");
  BeginUpdate();
  ++adding_;
  AddFolderItems(path, true, [this](const std::string& file) {
    std::string type = FileTypeOf(file);
    if (type == "A" || type == "V")
      AddFile(file);
  });
  --adding_;
  EndUpdate();
  if (!adding_)
    host_.AddingFinished();
}

void TPlayList::AddList(const std::vector<std::string>& names) {
  BeginUpdate();
  ++adding_;
  for (const std::string& raw : names) {
    if (stopAdding_)
      break;
    std::string name = IsStreamName(raw) ? raw : AbsolutePath(raw);
    std::error_code ec;
    if (!IsStreamName(name) && fs::is_directory(name, ec)) {
      std::string folder = name;
      if (folder.back() != '/')
        folder += '/';
      if (fs::exists(folder + "VIDEO_TS/VIDEO_TS.IFO", ec))
        AddFile(folder + "VIDEO_TS/VIDEO_TS.IFO");
      else
        AddFolder(folder);
      continue;
    }
    std::string ext = UpperCase(fs::path(name).extension().string());
    if (ext == ".ZVP")
      AddFromZVP(name);
    else if (ext == ".M3U" || ext == ".M3U8")
      AddFromM3U(name);
    else if (ext == ".PLS")
      AddFromPLS(name);
    else if (ext == ".LST")
      AddFromLST(name);
    else if (ext == ".ASX")
      AddFromASX(name);
    else if (names.size() == 1)
      AddWithSimilar(name);
    else
      AddFile(name);
  }
  --adding_;
  EndUpdate();
  if (!adding_)
    host_.AddingFinished();
}

std::string TPlayList::NormalizeName(std::string text) {
  for (;;) {
    size_t open = text.find('[');
    if (open == std::string::npos)
      break;
    size_t close = text.find(']', open + 1);
    if (close == std::string::npos) {
      text.erase(open); // an unclosed bracket takes the rest of the name with it: "a[b" gives "a"
      break;
    }
    text.erase(open, close - open + 1);
  }
  std::erase_if(text, [](char c) { return c == ' ' || c == '-' || c == '_'; });
  return text;
}

void TPlayList::AddWithSimilar(const std::string& name) {
  if (!prefs_.GetBool("OnOpen.SearchForSimilarFiles") || FileTypeOf(name) == "A") {
    AddFile(name);
    return;
  }
  fs::path file(AbsolutePath(name));
  std::string folder = file.parent_path().string();
  std::string opened = file.filename().string();
  std::string key = NormalizeName(opened).substr(0, 4);
  BeginUpdate();
  ++adding_;
  int k = -1;
  bool met = false;
  AddFolderItems(folder, false, [&](const std::string& item) {
    if (FileTypeOf(item) != "V")
      return;
    std::string itemName = fs::path(item).filename().string();
    if (NormalizeName(itemName).substr(0, 4) != key)
      return;
    AddFile(item);
    if (!met)
      ++k;
    if (itemName == opened)
      met = true;
  });
  --adding_;
  EndUpdate();
  if (CurrentIndex() < 0)
    SetCurrent(k);
  if (!adding_)
    host_.AddingFinished();
}

// ---------------------------------------------------------------------------------------------
// Editing

void TPlayList::Clear() {
  Log("PlayList.Clear");
  entries_.clear();
  names_.clear();
  Changed();
}

void TPlayList::Delete(int index) {
  if (index < 0 || index >= Count())
    return;
  Unindex(Items(index));
  entries_.erase(entries_.begin() + index);
  Changed();
}

void TPlayList::DeleteMany(std::vector<int> indices) {
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  std::vector<bool> drop(entries_.size(), false);
  bool any = false;
  for (int i : indices)
    if (i >= 0 && i < Count()) {
      drop[static_cast<size_t>(i)] = true;
      Unindex(Items(i));
      any = true;
    }
  if (!any)
    return;
  // One pass over the list, however many entries go.
  size_t kept = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    if (!drop[i])
      entries_[kept++] = std::move(entries_[i]);
  entries_.resize(kept);
  Changed();
}

void TPlayList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
    return;
  auto e = std::move(entries_[static_cast<size_t>(from)]);
  entries_.erase(entries_.begin() + from);
  entries_.insert(entries_.begin() + to, std::move(e));
  Changed();
}

void TPlayList::MoveSelected(int delta) {
  const int n = Count();
  std::vector<bool> target(entries_.size(), false);
  std::vector<std::unique_ptr<TPlayEntry>> selected, others;
  for (int i = 0; i < n; ++i) {
    if (!entries_[static_cast<size_t>(i)]->Selected)
      continue;
    if (i + delta < 0 || i + delta >= n)
      return;
    target[static_cast<size_t>(i + delta)] = true;
  }
  if (delta == 0)
    return;
  for (auto& e : entries_)
    (e->Selected ? selected : others).push_back(std::move(e));
  size_t s = 0, o = 0;
  for (size_t i = 0; i < entries_.size(); ++i)
    entries_[i] = std::move(target[i] ? selected[s++] : others[o++]);
  Changed();
}

void TPlayList::Reverse() {
  std::reverse(entries_.begin(), entries_.end());
  Changed();
}

void TPlayList::SortByFullPath() {
  std::sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) { return a->FileName < b->FileName; });
  Changed();
}

void TPlayList::SortByTitle() {
  std::sort(entries_.begin(), entries_.end(), [](const auto& a, const auto& b) { return a->Title < b->Title; });
  Changed();
}

void TPlayList::SortByFileName() {
  auto last = [](const std::string& s) {
    size_t p = s.find_last_of("/:");
    return p == std::string::npos ? std::string_view(s) : std::string_view(s).substr(p + 1);
  };
  std::sort(entries_.begin(), entries_.end(),
            [&](const auto& a, const auto& b) { return last(a->FileName) < last(b->FileName); });
  Changed();
}

// ---------------------------------------------------------------------------------------------
// Bookmarks and durations

void TPlayList::AddBookmark(int entry, const std::string& name, int64_t position) {
  if (entry < 0 || entry >= Count())
    return;
  auto& marks = Items(entry).Bookmarks;
  auto at = std::upper_bound(marks.begin(), marks.end(), position,
                             [](int64_t p, const TBookMark& m) { return p < m.Position; });
  marks.insert(at, TBookMark{position, name, false});
}

void TPlayList::DeleteBookmark(int entry, int bookmark) {
  if (entry < 0 || entry >= Count())
    return;
  auto& marks = Items(entry).Bookmarks;
  if (bookmark < 0 || bookmark >= static_cast<int>(marks.size()))
    return;
  marks.erase(marks.begin() + bookmark);
  Changed();
}

std::string TPlayList::BookmarkTime(int64_t p) {
  return Format("%.2d:%.2d:%.2d.%.3d", p / 36'000'000'000LL, (p % 36'000'000'000LL) / 600'000'000,
                (p % 600'000'000) / 10'000'000, (p % 10'000'000) / 10'000);
}

void TPlayList::AddBookmarkAtPlayPosition() {
  int current = CurrentIndex();
  if (current < 0 || !player_)
    return;
  int64_t p = player_->GetPosition();
  AddBookmark(current, "[ " + BookmarkTime(p).substr(0, 8) + " ]", p);
  Changed();
}

void TPlayList::SetDuration(const std::string& fileName, int64_t duration) {
  std::string path = IsStreamName(fileName) ? fileName : AbsolutePath(fileName);
  if (cache_)
    if (TXMLNode* entry = cache_->EnsureEntry(path))
      entry->SetAttr("dur", std::to_string(duration));
  for (auto& e : entries_)
    if (SameText(e->FileName, path))
      e->Duration = duration;
  Changed();
}

int64_t TPlayList::TotalDuration() const {
  int64_t sum = 1;
  bool unknown = false;
  for (const auto& e : entries_) {
    if (e->Duration >= 0)
      sum += e->Duration;
    else
      unknown = true;
  }
  return unknown ? -sum : sum;
}

// ---------------------------------------------------------------------------------------------
// Playing

void TPlayList::Play() {
  if (Count() <= 0)
    return;
  if (CurrentIndex() < 0)
    SetCurrent(0);
  PlayCurrent();
  host_.ShowCurrentRow();
  Changed();
}

void TPlayList::PlayCurrent() {
  windowWasActive_ = host_.MainWindowActive();
  Stop();
  int current = CurrentIndex();
  if (current < 0)
    return;
  player_ = host_.CreatePlayer(*this);
  if (!player_)
    return;
  player_->PlayFile(Items(current).FileName);
  if (player_ && player_->Pending())
    return; // the player tells how it ended
  OpenEnded(!player_ || player_->Opened());
}

void TPlayList::PlayerOpenEnded(bool opened) { OpenEnded(opened); }

void TPlayList::OpenEnded(bool opened) {
  int current = CurrentIndex();
  if (player_ && !opened) {
    // The player has told the user why; the list goes on with the next entry as if this one had
    // ended. Once every entry has failed in turn, the list ends there.
    bool allFailed = ++failedInARow_ >= Count();
    std::weak_ptr<bool> alive = alive_;
    host_.Defer([this, alive, allFailed] {
      if (auto a = alive.lock(); !a || !*a)
        return;
      if (!allFailed) {
        OnComplete();
        return;
      }
      failedInARow_ = 0;
      OnPlayListEnd();
    });
    return;
  }
  failedInARow_ = 0;
  int64_t duration = host_.OpenedDuration();
  if (current >= 0 && player_ && duration >= 0)
    Items(current).Duration = duration;
  host_.PlaybackStarted();
}

void TPlayList::PlayIndex(int index, int bookmark) {
  if (index < 0 || index >= Count())
    return;
  SetCurrent(index);
  Play();
  const auto& marks = Items(index).Bookmarks;
  if (player_ && bookmark >= 0 && bookmark < static_cast<int>(marks.size()))
    player_->SeekTo(marks[static_cast<size_t>(bookmark)].Position);
}

void TPlayList::Stop() { player_.reset(); }

int TPlayList::ShuffleIndex(int count, bool forward) {
  if (!shuffle_ || count <= 1)
    return 0;
  int n = forward ? shuffle_->Forward(count) : shuffle_->Backward(count);
  return n < 0 ? 0 : n;
}

void TPlayList::Next() {
  int count = Count();
  if (count <= 0)
    return;
  int n;
  if (shuffle_) {
    if (!Repeat() && shuffle_->Count() == count && shuffle_->Position() == count - 1)
      return;
    n = ShuffleIndex(count, true);
  } else {
    n = CurrentIndex() + 1;
    if (n >= count) {
      if (!Repeat())
        return;
      n = 0;
    }
  }
  SetCurrent(n);
  Play();
}

void TPlayList::Previous() {
  int count = Count();
  if (count <= 0)
    return;
  SetCurrent(shuffle_ ? ShuffleIndex(count, false) : CurrentIndex() - 1);
  if (CurrentIndex() < 0) {
    if (Repeat()) {
      SetCurrent(count - 1);
    } else {
      SetCurrent(0);
      return;
    }
  }
  Play();
}

void TPlayList::PlayerCompleted() {
  // The player is inside the engine's event handler: it must not be freed there.
  std::weak_ptr<bool> alive = alive_;
  host_.Defer([this, alive] {
    if (auto a = alive.lock(); a && *a)
      OnComplete();
  });
}

void TPlayList::OnComplete() {
  std::vector<std::string> parts = player_ ? player_->PlayedParts() : std::vector<std::string>();
  host_.ExecCommand(105);
  int count = Count();
  // A single entry has no order to go through: the list simply ends.
  bool shuffling = shuffle_ && count > 1;
  // A film played joined has played its later parts too: when they follow it in the list, they
  // count as played.
  int current = CurrentIndex();
  if (!shuffling && current >= 0) {
    size_t k = 1;
    while (k < parts.size() && current + 1 < count && Items(current + 1).FileName == parts[k]) {
      ++current;
      ++k;
    }
    SetCurrent(current);
  }
  if (shuffling && shuffle_->Position() + 1 == count)
    OnPlayListEnd();
  if (!shuffling && CurrentIndex() >= count - 1) {
    OnPlayListEnd();
    if (!Repeat())
      return;
  }
  Next();
}

void TPlayList::OnPlayListEnd() {
  int action = endActionOverride >= 0 ? endActionOverride : prefs_.GetInt("Playlist.OnPlayListEnd");
  bool powerAction = false;
  if (action == 1) {
    host_.PostCommand(453);
  } else if (action == 2) {
    host_.PostCommand(454);
    powerAction = true;
  }
  // One power action at most, however many ask for one.
  if (hibernateWhenDone && !powerAction) {
    host_.PostCommand(455);
    powerAction = true;
  }
  if (powerOffWhenDone && !powerAction)
    host_.PostCommand(454);
}

void TPlayList::ToggleShuffle() {
  if (shuffle_)
    shuffle_.reset();
  else
    shuffle_ = std::make_unique<sfShuffle>(Count());
  host_.ShuffleShown(shuffle_ != nullptr);
}

// ---------------------------------------------------------------------------------------------
// The program's own playlist file

void TPlayList::AddFromZVP(const std::string& file) {
  TLogScope scope("TPlayList.AddFromZVP");
  BeginUpdate();
  ++adding_;
  std::string text;
  try {
    text = ReadThroughCache(file, 16384, 4);
  } catch (const std::exception&) {
    text.clear(); // a missing or unreadable file adds nothing
  }
  {
    std::string folder = ListFolder(file);
    TPlayEntry* added = nullptr;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos)
        end = text.size();
      std::string line(text, start, end - start);
      start = end + 1;
      std::erase(line, '\r');
      auto blank = [](unsigned char c) { return c <= ' '; };
      while (!line.empty() && blank(static_cast<unsigned char>(line.back())))
        line.pop_back();
      size_t first = 0;
      while (first < line.size() && blank(static_cast<unsigned char>(line[first])))
        ++first;
      line.erase(0, first);
      if (line.empty())
        continue;
      if (line[0] != '>') {
        added = AddListed(line, folder);
        continue;
      }
      // Title and bookmark lines belong to the entry their file line added; after a refused
      // doublet they are dropped.
      if (!added || line.size() < 2)
        continue;
      TPlayEntry& last = *added;
      if (line[1] == 'N') {
        last.Title = CopyFrom(line, 4);
      } else if (line[1] == 'B') {
        std::string t = CopyStr(line, 4, 12);
        auto num = [&](int64_t from, int64_t count) { return StrToInt64Strict(CopyStr(t, from, count)); };
        auto h = num(1, 2), m = num(4, 2), s = num(7, 2), ms = num(10, 3);
        int64_t position = (h && m && s && ms) ? ((*h * 3600 + *m * 60 + *s) * 1000 + *ms) * 10'000 : 0;
        AddBookmark(Count() - 1, CopyFrom(line, 17), position);
      }
    }
  }
  --adding_;
  EndUpdate();
  if (!adding_)
    host_.AddingFinished();
}

namespace {

// A title or bookmark name as one line of a playlist file: a line break in it would start lines
// of its own, which the next reading takes for entries.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return text;
}

// A name holding a line break cannot be written to a file of lines at all.
bool Storable(const TPlayEntry& e, const char* scope) {
  if (e.FileName.find_first_of("\r\n") == std::string::npos)
    return true;
  Log(std::string("!") + scope + ": a name with a line break cannot be stored: " + OneLine(e.FileName));
  return false;
}

} // namespace

void TPlayList::SaveToZVP(const std::string& file) {
  std::string base = ListFolder(file);
  std::string out;
  for (const auto& e : entries_) {
    if (!Storable(*e, "TPlayList.SaveToZVP"))
      continue;
    // Entries in the playlist's folder or below it are stored relative to it, so the two can move
    // together. File names differ by case on this system, so the folder must match exactly.
    if (e->FileName.size() > base.size() && e->FileName.compare(0, base.size(), base) == 0)
      out += e->FileName.substr(base.size());
    else
      out += e->FileName;
    out += "\r\n>N " + OneLine(e->Title) + "\r\n";
    for (const TBookMark& b : e->Bookmarks)
      out += ">B " + BookmarkTime(b.Position) + " " + OneLine(b.Name) + "\r\n";
    out += "\r\n";
  }
  try {
    WriteFileAtomic(file, out);
  } catch (const std::exception& ex) {
    Log(std::string("!TPlayList.SaveToZVP: ") + ex.what());
  }
}

// ---------------------------------------------------------------------------------------------
// Other players' formats

namespace {

// The lines of a playlist file, whatever its line ends (the last one without an end too), as
// UTF-8: ".m3u8" files are UTF-8, others UTF-8 when they are valid UTF-8 and Windows-1252
// otherwise. A byte-order mark is dropped. False when the file cannot be read.
bool ReadListLines(const std::string& file, bool utf8, std::vector<std::string>& lines) {
  std::string bytes;
  try {
    bytes = ReadThroughCache(file, 16384, 4);
  } catch (const std::exception&) {
    return false;
  }
  std::string_view body = StripUtf8Bom(bytes);
  std::string text = utf8 || IsValidUtf8(body) ? std::string(body) : CodePageToUtf8(body, 1252);
  size_t i = 0;
  while (i < text.size()) {
    size_t end = text.find_first_of("\r\n", i);
    if (end == std::string::npos)
      end = text.size();
    lines.push_back(std::string(Trim(std::string_view(text).substr(i, end - i))));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
      ++end;
    i = end + 1;
  }
  return true;
}

// "file:///home/a%20b.mp3" as the file name it means.
std::string FileUriToPath(const std::string& uri) {
  std::string rest = uri.substr(7); // after "file://"
  if (!rest.empty() && rest[0] != '/') {
    size_t slash = rest.find('/'); // a host name ("localhost") before the path
    rest = slash == std::string::npos ? std::string() : rest.substr(slash);
  }
  std::string out;
  for (size_t i = 0; i < rest.size(); ++i) {
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (rest[i] == '%' && i + 2 < rest.size() && hex(rest[i + 1]) && hex(rest[i + 2])) {
      out += static_cast<char>(std::stoi(rest.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += rest[i];
    }
  }
  return out;
}

// A length in whole seconds read from a list as a duration (100 ns); -1 for lengths that are not
// positive or are too large to be real.
int64_t SecondsToDuration(int64_t seconds) {
  constexpr int64_t kLongest = std::numeric_limits<int64_t>::max() / 10'000'000;
  return seconds > 0 && seconds <= kLongest ? seconds * 10'000'000 : -1;
}

// Whole seconds of a duration; -1 when it is not known.
int64_t WholeSeconds(int64_t duration) { return duration < 0 ? -1 : duration / 10'000'000; }

} // namespace

TPlayEntry* TPlayList::AddListed(std::string name, const std::string& folder) {
  if (StartsText("file://", name))
    name = FileUriToPath(name);
  if (name.empty())
    return nullptr;
  if (!IsStreamName(name) && name[0] != '/')
    name = folder + name;
  int before = Count();
  AddFile(name);
  return Count() > before ? entries_.back().get() : nullptr;
}

void TPlayList::AddFromM3U(const std::string& file) {
  TLogScope scope("TPlayList.AddFromM3U(" + file + ")");
  std::vector<std::string> lines;
  if (!ReadListLines(file, EndsText(".m3u8", file), lines))
    return;
  std::string folder = ListFolder(file);
  BeginUpdate();
  // With the "#EXTM3U" header, "#EXTINF:<seconds>,<title>" describes the next file line; without
  // it the file is a plain list. Other lines starting with "#" are comments either way.
  bool extended = !lines.empty() && lines.front() == "#EXTM3U";
  bool described = false;
  int64_t duration = -1;
  std::string title;
  for (const std::string& line : lines) {
    if (line.empty())
      continue;
    if (extended && StartsText("#EXTINF:", line)) {
      size_t comma = line.find(',');
      std::string length = line.substr(8, comma == std::string::npos ? std::string::npos : comma - 8);
      duration = SecondsToDuration(StrToInt64Strict(std::string(Trim(length))).value_or(-1));
      title = comma == std::string::npos ? std::string() : std::string(Trim(line.substr(comma + 1)));
      described = true;
      continue;
    }
    if (line[0] == '#')
      continue;
    TPlayEntry* e = AddListed(line, folder);
    if (e && described) {
      if (!title.empty())
        e->Title = title;
      if (duration > 0)
        e->Duration = duration;
    }
    described = false;
  }
  EndUpdate();
}

void TPlayList::AddFromPLS(const std::string& file) {
  std::vector<std::string> lines;
  if (!ReadListLines(file, false, lines))
    return;
  std::string folder = ListFolder(file);
  BeginUpdate();
  TPlayEntry* last = nullptr; // the entry the latest file line added
  for (const std::string& line : lines) {
    size_t eq = line.find('=');
    if (line.empty() || eq == std::string::npos)
      continue;
    std::string value(Trim(line.substr(eq + 1)));
    if (StartsText("FILE", line)) {
      last = AddListed(value, folder);
    } else if (StartsText("TITLE", line)) {
      if (last)
        last->Title = value;
    } else if (StartsText("LENGTH", line)) {
      int64_t duration = SecondsToDuration(StrToInt64Strict(value).value_or(-1));
      if (last && duration > 0)
        last->Duration = duration;
    }
  }
  EndUpdate();
}

void TPlayList::AddFromLST(const std::string& file) {
  std::vector<std::string> lines;
  if (!ReadListLines(file, false, lines))
    return;
  std::string folder = ListFolder(file);
  BeginUpdate();
  for (const std::string& line : lines)
    if (!line.empty())
      AddListed(line, folder);
  EndUpdate();
}

void TPlayList::AddFromASX(const std::string& file) {
  std::string bytes;
  try {
    bytes = ReadThroughCache(file, 16384, 4);
  } catch (const std::exception&) {
    return;
  }
  TXMLTree doc;
  doc.LoadFromString(bytes);
  if (!doc.Root())
    return;
  std::string folder = ListFolder(file);
  BeginUpdate();
  for (const auto& entry : doc.Root()->Children()) {
    if (!SameText(entry->Name(), "ENTRY"))
      continue;
    for (const auto& ref : entry->Children()) {
      if (!SameText(ref->Name(), "REF"))
        continue;
      for (const TXMLAttr& a : ref->Attributes())
        if (SameText(a.name, "HREF") && !a.value.empty())
          AddListed(a.value, folder);
      break; // the first REF of an entry only
    }
  }
  EndUpdate();
}

void TPlayList::SaveToM3U(const std::string& file) {
  std::string out = "#EXTM3U\r\n";
  for (const auto& e : entries_) {
    if (!Storable(*e, "TPlayList.SaveToM3U"))
      continue;
    // A length that cannot be measured stays unknown (-1), never 0.
    int64_t measured = host_.MeasureDuration(e->FileName);
    if (measured >= 0)
      e->Duration = measured;
    out += Format("#EXTINF:%d,", WholeSeconds(e->Duration)) + OneLine(e->Title) + "\r\n" + e->FileName + "\r\n";
  }
  try {
    WriteFileAtomic(file, out);
  } catch (const std::exception& ex) {
    Log(std::string("!TPlayList.SaveToM3U: ") + ex.what());
  }
}

void TPlayList::SaveToPLS(const std::string& file) {
  std::string out = "[playlist]\r\n";
  int n = 0;
  for (const auto& e : entries_) {
    if (!Storable(*e, "TPlayList.SaveToPLS"))
      continue;
    int64_t measured = host_.MeasureDuration(e->FileName);
    if (measured >= 0)
      e->Duration = measured;
    ++n; // other players count from 1
    out += Format("File%d=", n) + e->FileName + "\r\n";
    out += Format("Title%d=", n) + OneLine(e->Title) + "\r\n";
    out += Format("Length%d=%d\r\n", n, WholeSeconds(e->Duration));
  }
  out += Format("NumberOfEntries=%d\r\nVersion=2\r\n", n);
  try {
    WriteFileAtomic(file, out);
  } catch (const std::exception& ex) {
    Log(std::string("!TPlayList.SaveToPLS: ") + ex.what());
  }
}

// ---------------------------------------------------------------------------------------------
// Report

std::string TPlayList::ReportTemplate(const std::string& templateFile) {
  std::string text;
  std::error_code ec;
  if (!templateFile.empty() && fs::is_regular_file(templateFile, ec)) {
    try {
      text = ReadThroughCache(templateFile, 16384, 4);
    } catch (const std::exception&) {
      text.clear();
    }
  } else {
    if (std::optional<std::string_view> built = FindResource("ReportHtml"))
      text.assign(built->begin(), built->end());
  }
  // The first line is the output's file mask, not part of the template.
  size_t lf = text.find('\n');
  return lf == std::string::npos ? text : text.substr(lf + 1);
}

void TPlayList::WriteReport(const std::string& output, const std::string& templateFile, const TReportContext& context) {
  TLogScope scope("TPlayList.WriteReport");
  TMediaInfo::ReportSizeTotal() = 0;
  TMediaInfo::ReportDurationTotal() = 0;
  std::string templ = ReportTemplate(templateFile);
  auto find = [&](const std::string& marker, size_t from) {
    auto it = std::search(
        templ.begin() + static_cast<long>(from), templ.end(), marker.begin(), marker.end(), [](char a, char b) {
          return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        });
    return it == templ.end() ? std::string::npos : static_cast<size_t>(it - templ.begin());
  };
  size_t start = find("%EntryStart%", 0);
  size_t end = start == std::string::npos ? std::string::npos : find("%EntryEnd%", start);
  std::string head = start == std::string::npos ? templ : templ.substr(0, start);
  std::string part = end == std::string::npos ? std::string() : templ.substr(start + 12, end - start - 12);
  std::string tail = end == std::string::npos ? std::string() : templ.substr(end + 10);
  const bool html = EndsText(".htm", output) || EndsText(".html", output);
  std::string out = head;
  for (int i = 0; i < Count(); ++i) {
    const TPlayEntry& e = *entries_[static_cast<size_t>(i)];
    std::string row = ReplaceAll(part, "%No%", std::to_string(i + 1), true);
    row = ReplaceAll(row, "%CellColor%", i % 2 == 0 ? "#EEFFFF" : "#FFFFEE", true);
    TCachedFile file(e.FileName);
    TMediaInfoContext mediaContext;
    mediaContext.detector = context.detector;
    TMediaInfo info(file, mediaContext);
    info.RetreiveInfo();
    out += info.ReplaceTAGs(row, html);
    if (context.progress)
      context.progress(i);
  }
  tail = ReplaceAll(tail, "%TotalFilesNumber%", std::to_string(Count()), true);
  tail = ReplaceAll(tail, "%TotalDuration%", DurationText(TMediaInfo::ReportDurationTotal()), true);
  tail = ReplaceAll(tail, "%TotalSize%", SizeText(TMediaInfo::ReportSizeTotal()), true);
  tail = ReplaceAll(tail, "%LastUpdate%", context.lastUpdate, true);
  tail = ReplaceAll(tail, "%ZVVersion%", context.version, true);
  out += tail;
  try {
    WriteFileAtomic(output, out);
  } catch (const std::exception& ex) {
    Log(std::string("!TPlayList.WriteReport: ") + ex.what());
  }
}

} // namespace zv
