#pragma once

#include "prefs/xml_prefs.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// An optional module: a name and its own preference section (Modules.<name>).
class TModule {
public:
  TModule(std::string name, std::unique_ptr<TXMLPrefs> section);
  virtual ~TModule();
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;

  const std::string& Name() const { return name_; }
  TXMLPrefs& Section() { return *section_; }

private:
  std::string name_;
  std::unique_ptr<TXMLPrefs> section_;
};

// The optional modules, created when Modules.<name>.enabled is on.
class TModuleManager {
public:
  using TFactory = std::function<std::unique_ptr<TModule>(const std::string& name, std::unique_ptr<TXMLPrefs>)>;

  explicit TModuleManager(TXMLPrefs& rootPrefs);
  ~TModuleManager() { FreeAll(); }

  void RegisterModule(std::string name, TFactory factory);
  // Creates every enabled module, in registration order.
  void LoadAll();
  // Creates the enabled modules that do not exist and frees the disabled ones.
  void UpdateAll();
  void SetEnabled(std::string_view name, bool enabled);
  TModule* Find(std::string_view name) const;
  void FreeAll();
  TXMLPrefs& Section() { return *section_; }

private:
  struct TRecord {
    std::string name;
    TFactory factory;
    std::unique_ptr<TModule> instance;
  };
  std::unique_ptr<TXMLPrefs> section_;
  std::vector<TRecord> records_;
};

} // namespace zv
