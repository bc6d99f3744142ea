#include "prefs/module_manager.h"

#include "core/session_log.h"
#include "core/text_util.h"

namespace zv {

TModule::TModule(std::string name, std::unique_ptr<TXMLPrefs> section)
    : name_(std::move(name)), section_(std::move(section)) {
  Log("+TModule.Create(" + name_ + ")");
  Log("-TModule.Create(" + name_ + ")");
}

TModule::~TModule() {
  Log("+TModule.Destroy(" + name_ + ")");
  Log("-TModule.Destroy(" + name_ + ")");
}

TModuleManager::TModuleManager(TXMLPrefs& rootPrefs) : section_(rootPrefs.Section("Modules")) {}

void TModuleManager::RegisterModule(std::string name, TFactory factory) {
  records_.push_back(TRecord{std::move(name), std::move(factory), nullptr});
}

void TModuleManager::LoadAll() {
  TLogScope scope("TModuleManager.Load");
  UpdateAll();
}

void TModuleManager::UpdateAll() {
  for (TRecord& r : records_) {
    bool enabled = section_->GetBool(r.name + ".enabled");
    if (enabled && !r.instance)
      r.instance = r.factory(r.name, section_->Section(r.name));
    else if (!enabled && r.instance)
      r.instance.reset();
  }
}

void TModuleManager::SetEnabled(std::string_view name, bool enabled) {
  section_->SetBool(std::string(name) + ".enabled", enabled);
  UpdateAll();
}

TModule* TModuleManager::Find(std::string_view name) const {
  for (const TRecord& r : records_)
    if (SameText(r.name, name))
      return r.instance.get();
  return nullptr;
}

void TModuleManager::FreeAll() {
  for (TRecord& r : records_)
    r.instance.reset();
}

} // namespace zv
