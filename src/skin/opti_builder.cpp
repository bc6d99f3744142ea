#include "skin/opti_builder.h"

#include "core/error.h"
#include "core/text_util.h"

#include <filesystem>

namespace zv {
namespace fs = std::filesystem;

namespace {
template <class W>
std::unique_ptr<TOptiWrapper> Make(const TXMLNode& e, TOptiBuilder& b, QWidget* parent) {
  return std::make_unique<W>(e, b, parent);
}
} // namespace

// ---------------------------------------------------------------------------------------------

void TOptiWrapper::CreateControl() {
  control_ = new TOptiDummy(parent_, element_.GetAttr("id"));
  Place();
}

void TOptiWrapper::Place() {
  const TXMLAttr* pos = element_.FindAttr("pos");
  const TXMLAttr* size = element_.FindAttr("size");
  control_->Place(pos != nullptr, pos ? ParsePair(pos->value) : TPoint{}, size != nullptr,
                  size ? ParsePair(size->value) : TPoint{});
  if (parent_)
    control_->show(); // a definition without a parent is only a picture source
}

void TOptiWrapper::ReadBackground() {
  control_->Background = Area("bg");
  control_->BackgroundSplit = ParsePair(element_.GetAttr("bgsplit"));
}

TOptiArea TOptiWrapper::Area(std::string_view attribute) const {
  TOptiArea area;
  builder_.Resource().GetArea(element_.GetAttr(attribute), area);
  return area;
}

void TOptiButtonWrapper::CreateControl() {
  auto* b = new TOptiButton(parent_, builder_.Host());
  control_ = b;
  b->Image = Area("img");
  b->SetLink(element_.GetAttr("link"));
  Place();
}

void TOptiPanelWrapper::CreateControl() {
  control_ = new TOptiPanel(parent_);
  ReadBackground();
  Place();
}

void TOptiSeekerWrapper::CreateControl() {
  auto* s = new TOptiSeeker(parent_, builder_.Host());
  control_ = s;
  ReadBackground();
  s->Fill = Area("bgfill");
  s->Thumb = Area("thumb");
  s->LowTick = Area("lotick");
  s->HighTick = Area("hitick");
  s->SetFont(builder_.Resource().GetFont(element_.GetAttr("font")));
  Place();
}

void TOptiTextWrapper::CreateControl() {
  auto* t = new TOptiText(parent_, builder_.Host());
  control_ = t;
  ReadBackground();
  t->SetFont(builder_.Resource().GetFont(element_.GetAttr("font")));
  t->SetTemplate(element_.GetAttr("text"));
  Place();
  t->Refresh();
}

void TOptiSliderWrapper::CreateControl() {
  auto* s = new TOptiSlider(parent_, builder_.Host());
  control_ = s;
  ReadBackground();
  s->Fill = Area("bgfill");
  s->Thumb = Area("thumb");
  Place();
}

// ---------------------------------------------------------------------------------------------

TOptiBuilder::TOptiBuilder(ISkinHost& host) : host_(host) {
  types_ = {{"Dummy", Make<TOptiWrapper>},      {"GfxBtn", Make<TOptiButtonWrapper>},
            {"Panel", Make<TOptiPanelWrapper>}, {"Seeker", Make<TOptiSeekerWrapper>},
            {"Text", Make<TOptiTextWrapper>},   {"Slider", Make<TOptiSliderWrapper>}};
}

void TOptiBuilder::Load(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    TDirStrPack pack(path);
    resource_.Load(pack);
    return;
  }
  if (!fs::is_regular_file(path, ec))
    throw EZvError("The skin \"" + path + "\" is not a file or folder", "TOptiBuilder.Load");
  TFileStream file(path);
  LoadFromStream(file);
}

void TOptiBuilder::LoadFromStream(TStream& stream) {
  TZIPStrPack pack(stream);
  resource_.Load(pack);
}

std::unique_ptr<TOptiWrapper> TOptiBuilder::Build(const TXMLNode& element, QWidget* parent) {
  const TFactory* factory = &types_.front().second;
  std::string type = element.GetAttr("type");
  for (const auto& [name, make] : types_)
    if (SameText(name, type))
      factory = &make; // the last match wins
  std::unique_ptr<TOptiWrapper> wrapper = (*factory)(element, *this, parent);
  wrapper->CreateControl();
  for (const auto& child : element.Children())
    wrapper->Children.push_back(Build(*child, wrapper->Control()));
  return wrapper;
}

std::unique_ptr<TOptiWrapper> TOptiBuilder::BuildDef(std::string_view id, QWidget* parent) {
  const TXMLNode* root = resource_.Root();
  const TXMLNode* def = root ? root->FindChildById("CTLDEF", id) : nullptr;
  return def ? Build(*def, parent) : nullptr;
}

TBitmap32 TOptiBuilder::GetBitmap(std::string_view reference) const {
  TOptiArea area;
  if (!resource_.GetArea(reference, area) || !area.Bitmap)
    return {};
  return area.Bitmap->Copy(area.Rect());
}

} // namespace zv
