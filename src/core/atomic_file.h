#pragma once

#include "core/stream.h"

#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Writes a file so that a crash, a full disk or any other failure never leaves it truncated: the
// bytes go to a temporary file in the same folder, which is flushed to disk and then renamed over
// the target. Until Commit succeeds the old file stays as it was; a writer destroyed without Commit
// removes its temporary file. A symbolic link as target is kept and the file it points to replaced.
// A target that is read-only, or that the program could not read (KeepUnwritten), is refused.
class TAtomicFileStream : public TStream {
public:
  explicit TAtomicFileStream(std::string path); // raises EZvError when the folder cannot be written
  ~TAtomicFileStream() override;
  TAtomicFileStream(const TAtomicFileStream&) = delete;
  TAtomicFileStream& operator=(const TAtomicFileStream&) = delete;

  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

  // Flushes and renames over the target; raises EZvError (and keeps the old file) on failure.
  void Commit();
  // Drops what was written; the target is left untouched.
  void Abandon();

  const std::string& TargetPath() const { return target_; }
  const std::string& TempPath() const { return temp_; }

private:
  std::string target_;
  std::string temp_;
  int fd_ = -1;
  bool failed_ = false;
};

// Writes `bytes` to `path` atomically; raises EZvError on failure.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// A file of the program's own that exists but could not be read: it is never replaced in this run,
// so that what the user had is not lost to defaults. Files without any write permission bit are
// never replaced either (the user made them read-only).
void KeepUnwritten(const std::string& path);

// Removes the temporary files that writers of these file names left in the folder when the program
// was killed during a save (".ZV.xml.AbC123"). A writer that is still at work holds a lock on its
// file, so another instance's save in progress is left alone. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& dir, const std::vector<std::string>& names);

} // namespace zv
