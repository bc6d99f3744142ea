#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zv {

// A small registry of keys and text values, the shape the file-type association is written in:
// keys are paths of names separated by "\" (a leading "\" optional), names compare without regard
// to ASCII case and keep the case they were created with, every key has named text values and the
// value named "" is its default. Every operation reports failure with false instead of raising.
class IAssocStore {
public:
  virtual ~IAssocStore() = default;
  virtual bool KeyExists(std::string_view key) const = 0;
  // Opens the key for writing, creating it and the keys above it when missing.
  virtual bool CreateKey(std::string_view key) = 0;
  // False when the key or the value does not exist.
  virtual bool ReadValue(std::string_view key, std::string_view name, std::string& value) const = 0;
  // The key must exist.
  virtual bool WriteValue(std::string_view key, std::string_view name, std::string_view value) = 0;
  virtual bool DeleteValue(std::string_view key, std::string_view name) = 0;
  // Deletes the key with everything below it.
  virtual bool DeleteKey(std::string_view key) = 0;
  // Moves the key with everything below it to a new path, whose parent must exist and which must not.
  virtual bool MoveKey(std::string_view from, std::string_view to) = 0;
  virtual std::vector<std::string> SubKeys(std::string_view key) const = 0;
  // Makes what changed last; false when it could not be kept.
  virtual bool Flush() { return true; }
};

// The store held in memory (tests, and the body of the persistent store).
class TMemoryAssocStore : public IAssocStore {
public:
  TMemoryAssocStore();
  ~TMemoryAssocStore() override;

  bool KeyExists(std::string_view key) const override;
  bool CreateKey(std::string_view key) override;
  bool ReadValue(std::string_view key, std::string_view name, std::string& value) const override;
  bool WriteValue(std::string_view key, std::string_view name, std::string_view value) override;
  bool DeleteValue(std::string_view key, std::string_view name) override;
  bool DeleteKey(std::string_view key) override;
  bool MoveKey(std::string_view from, std::string_view to) override;
  std::vector<std::string> SubKeys(std::string_view key) const override;

  // Refuses every change from now on (a store that cannot be written).
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }
  // True once anything changed since the last ClearModified.
  bool Modified() const { return modified_; }
  void ClearModified() { modified_ = false; }
  // Every key and value as lines "\key" and "\key|name=value", sorted without regard to case (the
  // order keys and values were made in carries no meaning).
  std::string Dump() const;

protected:
  struct TKey;
  TKey& Root() { return *root_; }
  const TKey& Root() const { return *root_; }
  TKey* Find(std::string_view key) const;

private:
  std::unique_ptr<TKey> root_;
  bool readOnly_ = false;
  bool modified_ = false;
};

// The store kept in a file of its own (an XML document written atomically). A file that exists but
// cannot be read, or a folder that cannot be written, makes the store read-only for this run so
// that nothing the user had is replaced.
class TFileAssocStore : public TMemoryAssocStore {
public:
  explicit TFileAssocStore(std::string path);
  ~TFileAssocStore() override;
  const std::string& Path() const { return path_; }
  // Writes the file when something changed; false when it could not be written.
  bool Flush() override;

private:
  void Load();
  std::string path_;
};

} // namespace zv
