#pragma once

#include "skin/opti_controls.h"
#include "skin/opti_resource.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace zv {

class TOptiBuilder;

// Builds one control of a skin definition and places it in its parent.
class TOptiWrapper {
public:
  TOptiWrapper(const TXMLNode& element, TOptiBuilder& builder, QWidget* parent)
      : element_(element), builder_(builder), parent_(parent) {}
  virtual ~TOptiWrapper() = default;
  virtual void CreateControl();
  // The control made; its parent owns it, or the caller of BuildDef when it has none.
  TOptiWidget* Control() const { return control_; }
  const TXMLNode& Element() const { return element_; }
  std::vector<std::unique_ptr<TOptiWrapper>> Children;

protected:
  // Reads pos and size and places the control.
  void Place();
  // The control's bg and bgsplit.
  void ReadBackground();
  // The area of an attribute; no image when it names none.
  TOptiArea Area(std::string_view attribute) const;
  const TXMLNode& element_;
  TOptiBuilder& builder_;
  QWidget* parent_;
  TOptiWidget* control_ = nullptr;
};

class TOptiButtonWrapper : public TOptiWrapper {
public:
  using TOptiWrapper::TOptiWrapper;
  void CreateControl() override;
};
class TOptiPanelWrapper : public TOptiWrapper {
public:
  using TOptiWrapper::TOptiWrapper;
  void CreateControl() override;
};
class TOptiSeekerWrapper : public TOptiWrapper {
public:
  using TOptiWrapper::TOptiWrapper;
  void CreateControl() override;
};
class TOptiTextWrapper : public TOptiWrapper {
public:
  using TOptiWrapper::TOptiWrapper;
  void CreateControl() override;
};
class TOptiSliderWrapper : public TOptiWrapper {
public:
  using TOptiWrapper::TOptiWrapper;
  void CreateControl() override;
};

// Turns the control definitions of a skin's interface.xml into live controls.
class TOptiBuilder {
public:
  explicit TOptiBuilder(ISkinHost& host);

  // A folder is a folder package, anything else a ZIP archive; raises EZvError on failure.
  void Load(const std::string& path);
  void LoadFromStream(TStream& stream);
  // The root wrapper of the definition with that id (case ignored), or none.
  std::unique_ptr<TOptiWrapper> BuildDef(std::string_view id, QWidget* parent);
  std::unique_ptr<TOptiWrapper> Build(const TXMLNode& element, QWidget* parent);
  // A copy of the area; empty when the reference names none.
  TBitmap32 GetBitmap(std::string_view reference) const;
  void Clear() { resource_.Clear(); }

  TOptiResource& Resource() { return resource_; }
  ISkinHost& Host() { return host_; }

private:
  using TFactory = std::function<std::unique_ptr<TOptiWrapper>(const TXMLNode&, TOptiBuilder&, QWidget*)>;
  ISkinHost& host_;
  TOptiResource resource_;
  std::vector<std::pair<std::string, TFactory>> types_;
};

} // namespace zv
