#include "core/atomic_file.h"

#include "core/error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {
namespace fs = std::filesystem;

namespace {

std::string ResolveTarget(const std::string& path) {
  std::error_code ec;
  if (fs::is_symlink(path, ec)) {
    fs::path t = fs::read_symlink(path, ec);
    if (!ec) {
      if (t.is_relative())
        t = fs::path(path).parent_path() / t;
      return t.string();
    }
  }
  return path;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
  throw EZvError(what + " \"" + path + "\". " + std::strerror(err), "AtomicFile");
}

std::mutex g_keptLock;
std::set<std::string>& KeptFiles() {
  static std::set<std::string> kept;
  return kept;
}

bool IsKept(const std::string& target) {
  std::lock_guard<std::mutex> guard(g_keptLock);
  return KeptFiles().count(target) > 0;
}

} // namespace

void KeepUnwritten(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_keptLock);
  KeptFiles().insert(ResolveTarget(path));
}

int RemoveStaleTemporaryFiles(const std::string& dir, const std::vector<std::string>& names) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string file = it->path().filename().string();
    // "." + name + "." + the six characters mkostemp put in.
    bool ours = false;
    for (const std::string& n : names)
      ours = ours || (file.size() == n.size() + 8 && file[0] == '.' && file.compare(1, n.size(), n) == 0 &&
                      file[n.size() + 1] == '.');
    std::error_code sec;
    if (!ours || !it->is_regular_file(sec) || it->is_symlink(sec))
      continue;
    int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
      continue;
    // A living writer holds its lock until it renames or removes the file.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(it->path().c_str()) == 0)
      ++removed;
    ::close(fd);
  }
  return removed;
}

TAtomicFileStream::TAtomicFileStream(std::string path) : target_(ResolveTarget(path)) {
  if (IsKept(target_))
    throw EZvError("Not replacing \"" + target_ + "\": it could not be read", "AtomicFile");
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0 && (old.st_mode & 0222) == 0)
    throw EZvError("Not replacing \"" + target_ + "\": it is read-only", "AtomicFile");
  fs::path p(target_);
  std::string dir = p.has_parent_path() ? p.parent_path().string() : std::string(".");
  std::string tmpl = (fs::path(dir) / ("." + p.filename().string() + ".XXXXXX")).string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  fd_ = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd_ < 0)
    Fail("Cannot create file", target_, errno);
  temp_ = buf.data();
  ::flock(fd_, LOCK_EX); // tells RemoveStaleTemporaryFiles that this one is in use
  // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    ::fchmod(fd_, st.st_mode & 07777);
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
}

TAtomicFileStream::~TAtomicFileStream() { Abandon(); }

int64_t TAtomicFileStream::Write(const void* buffer, int64_t count) {
  if (fd_ < 0 || count <= 0)
    return 0;
  const char* p = static_cast<const char*>(buffer);
  int64_t total = 0;
  while (total < count) {
    ssize_t n = ::write(fd_, p + total, static_cast<size_t>(count - total));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    total += n;
  }
  return total;
}

int64_t TAtomicFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  if (fd_ < 0)
    return 0;
  int whence = origin == TSeekOrigin::Begin ? SEEK_SET : origin == TSeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  return r < 0 ? 0 : static_cast<int64_t>(r);
}

void TAtomicFileStream::Commit() {
  if (fd_ < 0)
    throw EZvError("File already closed \"" + target_ + "\"", "AtomicFile");
  int err = failed_ ? EIO : 0;
  if (!err && ::fsync(fd_) != 0)
    err = errno;
  if (::close(fd_) != 0 && !err)
    err = errno;
  fd_ = -1;
  if (!err && ::rename(temp_.c_str(), target_.c_str()) != 0)
    err = errno;
  if (err) {
    ::unlink(temp_.c_str());
    temp_.clear();
    Fail("Cannot write file", target_, err);
  }
  temp_.clear();
  // Make the rename itself durable.
  fs::path dir = fs::path(target_).parent_path();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

void TAtomicFileStream::Abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
  TAtomicFileStream f(path);
  f.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  f.Commit();
}

} // namespace zv
