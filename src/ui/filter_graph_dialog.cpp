#include "ui/filter_graph_dialog.h"

#include "core/error.h"
#include "core/format.h"
#include "core/session_log.h"
#include "playback/direct_show_helper.h"
#include "skin/language_manager.h"
#include "ui/alert.h"
#include "ui/plain_text.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <filesystem>

namespace zv {

namespace {
constexpr int kBoxWidth = 180, kBoxHeight = 40;

QColor QtRgb(TRgb c) { return QColor(c.r, c.g, c.b); }

// Elements that only find types or hold data between the real filters; the picture leaves them
// out and draws their connections through them.
bool IsPlumbing(eng::IFilter* f) {
  static const eng::TGuid kPlumbing[] = {eng::ClassOfFactory("typefind"), eng::ClassOfFactory("queue"),
                                         eng::ClassOfFactory("queue2"), eng::ClassOfFactory("multiqueue")};
  const eng::TGuid cls = f->ClassId();
  for (const eng::TGuid& p : kPlumbing)
    if (cls == p)
      return true;
  return false;
}

// The number at the end of a pin's name ("sink_1" -> "1"), which pairs a queue's pins.
std::string PinNumber(const std::string& name) {
  size_t at = name.find_last_not_of("0123456789");
  return at == std::string::npos ? name : name.substr(at + 1);
}

// The filter an output pin leads to, through any plumbing on the way.
eng::IFilter* Receiver(eng::IPin* out) {
  for (int hops = 0; out && hops < 8; ++hops) {
    eng::IPin* in = out->ConnectedTo();
    if (!in)
      return nullptr;
    eng::IFilter* f = in->Owner();
    if (!IsPlumbing(f))
      return f;
    eng::IPin* next = nullptr;
    for (eng::IPin* p : f->Pins())
      if (p->Direction() == eng::TPinDirection::Output && (!next || PinNumber(p->Name()) == PinNumber(in->Name())))
        next = p;
    out = next;
  }
  return nullptr;
}

int CountPins(eng::IFilter* f, eng::TPinDirection direction) {
  int n = 0;
  for (eng::IPin* p : f->Pins())
    n += p->Direction() == direction ? 1 : 0;
  return n;
}
} // namespace

TFilterControl::TFilterControl(eng::IFilter* filter, QWidget* parent)
    : QWidget(parent), filter_(filter), name_(TDirectShowHelper::FilterName(filter)) {
  resize(kBoxWidth, kBoxHeight);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(PlainToolTip(name_));
}

int TFilterControl::InputCount() const { return CountPins(filter_, eng::TPinDirection::Input); }
int TFilterControl::OutputCount() const { return CountPins(filter_, eng::TPinDirection::Output); }

std::vector<eng::IFilter*> TFilterControl::Downstream() const {
  std::vector<eng::IFilter*> list;
  for (eng::IPin* p : filter_->Pins())
    if (p->Direction() == eng::TPinDirection::Output)
      if (eng::IFilter* other = Receiver(p))
        list.push_back(other);
  return list;
}

void TFilterControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int a = InputCount(), b = OutputCount();
  p.fillRect(rect(), QtRgb(BoxColour(a, b)));
  if (hasFocus()) {
    p.setPen(Qt::white);
    p.drawRect(0, 0, width() - 1, height() - 1);
    p.drawRect(1, 1, width() - 3, height() - 3);
  }
  QFont font = p.font();
  font.setPointSize(8);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignCenter,
             p.fontMetrics().elidedText(OutsideText(name_), Qt::ElideMiddle, width() - 12));
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::black);
  p.setBrush(QColor(0, 0, 255));
  for (int k = 1; k <= a; ++k)
    p.drawEllipse(QPoint(k * (width() / (a + 1)), 0), 5, 5);
  p.setBrush(QColor(255, 0, 0));
  for (int k = 1; k <= b; ++k)
    p.drawEllipse(QPoint(k * (width() / (b + 1)), height()), 5, 5);
}

void TFilterControl::mousePressEvent(QMouseEvent* e) {
  QWidget::mousePressEvent(e);
  setFocus(Qt::MouseFocusReason);
  if (onClick)
    onClick(this);
}

void TFilterControl::mouseDoubleClickEvent(QMouseEvent*) {
  if (onDoubleClick)
    onDoubleClick();
}

// ---------------------------------------------------------------------------------------------

TFilterBox::TFilterBox(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(192, 192, 192));
  setPalette(pal);
}

std::vector<TGraphBox> TFilterBox::Facts() const {
  std::vector<TGraphBox> facts;
  for (TFilterControl* box : boxes_) {
    TGraphBox f{box->FilterName(), box->InputCount(), box->OutputCount(), {}};
    for (eng::IFilter* d : box->Downstream())
      f.downstream.push_back(TDirectShowHelper::FilterName(d));
    facts.push_back(std::move(f));
  }
  return facts;
}

void TFilterBox::SetGraph(eng::IGraph* graph) {
  for (TFilterControl* box : boxes_)
    delete box;
  boxes_.clear();
  lines_.clear();
  clicked_ = nullptr;
  graph_ = graph;
  if (!graph)
    return;
  for (eng::IFilter* f : graph->EnumFilters()) {
    if (IsPlumbing(f))
      continue;
    auto* box = new TFilterControl(f, this);
    box->onClick = [this](TFilterControl* b) {
      clicked_ = b;
      if (onSelect)
        onSelect();
      update();
    };
    box->onDoubleClick = [this] {
      if (onProperties)
        onProperties();
    };
    box->show();
    boxes_.push_back(box);
  }
  // The picture is made once for the graph: the boxes placed and the lines between them.
  const std::vector<TGraphBox> facts = Facts();
  const std::vector<TBoxPlace> places = LayoutGraph(facts, kBoxWidth, kBoxHeight);
  lines_ = GraphLines(facts, places, kBoxWidth, kBoxHeight);
  QRect used(0, 0, 1, 1);
  for (size_t i = 0; i < boxes_.size(); ++i) {
    boxes_[i]->move(places[i].left, places[i].top);
    used |= boxes_[i]->geometry();
  }
  setMinimumSize(used.right() + 20, used.bottom() + 20);
  update();
}

eng::IFilter* TFilterBox::SelectedFilter() const {
  if (!graph_)
    return nullptr;
  for (TFilterControl* box : boxes_)
    if (box->hasFocus())
      return box->Filter();
  return clicked_ ? clicked_->Filter() : nullptr;
}

void TFilterBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 3));
  for (const TGraphLine& l : lines_)
    p.drawLine(l.x1, l.y1, l.x2, l.y2);
}

// ---------------------------------------------------------------------------------------------

TfrFilters::TfrFilters(TDirectShowHelper* dsh, QWidget* parent) : QDialog(parent), dsh_(dsh) {
  setWindowTitle(PlainMenuText(Lang("Filters")));
  setMinimumSize(820, 460); // the details' third holds the check box's text
  resize(900, 560);
  details_ = new QPlainTextEdit(this);
  details_->setReadOnly(true);
  details_->setLineWrapMode(QPlainTextEdit::NoWrap);
  properties_ = new QPushButton(PlainMenuText(Lang("Filters.PropertiesDialog")), this);
  stop_ = new QCheckBox(PlainMenuText(Lang("Filters.StopBeforeChange")), this);
  panel_ = new QScrollArea(this);
  view_ = new TFilterBox;
  panel_->setWidget(view_);
  panel_->setWidgetResizable(true);
  view_->onSelect = [this] { Selected(); };
  view_->onProperties = [this] { ShowProperties(); };
  connect(properties_, &QPushButton::clicked, this, [this] { ShowProperties(); });
  properties_->setEnabled(false);
}

void TfrFilters::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  const int w = width(), h = height();
  const int detailsWidth = w * 35 / 100;
  details_->setGeometry(8, 8, detailsWidth, h - 100);
  panel_->setGeometry(detailsWidth + 16, 8, w - 12 - (detailsWidth + 16), h - 16);
  properties_->setGeometry(8, h - 90, detailsWidth, 28);
  stop_->setGeometry(8, h - 60, detailsWidth, 24);
}

void TfrFilters::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  Refresh();
}

void TfrFilters::Refresh() {
  properties_->setEnabled(false);
  details_->clear();
  view_->SetGraph(dsh_ ? dsh_->Graph() : nullptr);
}

void TfrFilters::Selected() {
  details_->clear();
  eng::IFilter* f = view_->SelectedFilter();
  if (!f)
    return;
  const eng::TGuid cls = f->ClassId();
  std::string text = "Name: " + TDirectShowHelper::FilterName(f) + "\nCLSID: " + cls.ToString();
  if (!cls.IsNull() && dsh_) {
    eng::TFilterDescription d = dsh_->Engine().DescribeFilter(cls);
    text += "\nFriendlyName: " + d.friendlyName;
    text += Format("\nMerit: 0x%.8X (%s)", d.merit, MeritName(d.merit).c_str());
    text += "\nFileName: " + std::filesystem::path(d.file).filename().string();
    text += "\nModule: " + d.file;
    text += "\nManufacturer: " + d.company;
  }
  details_->setPlainText(OutsideText(text));
  properties_->setEnabled(TDirectShowHelper::HasPropertyPages(f));
}

void TfrFilters::ShowProperties() {
  if (!properties_->isEnabled() || !dsh_)
    return;
  eng::IFilter* f = view_->SelectedFilter();
  if (!f)
    return;
  if (stop_->isChecked() && dsh_->Graph()) {
    try {
      dsh_->CheckResult(dsh_->Graph()->Stop(), "MediaControl.Stop");
    } catch (const EZvError& e) {
      Alert(e.what(), this);
      return;
    }
  }
  dsh_->ShowFilterProperties(f);
  raise();
  activateWindow();
  if (afterProperties)
    afterProperties();
}

} // namespace zv
