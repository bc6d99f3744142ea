#pragma once

#include "playback/engine/engine.h"
#include "ui/filter_graph_layout.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace zv {

class TDirectShowHelper;

// One filter of the graph picture: a box coloured by its pin counts, its name in the middle, the
// input pins on its top edge and the output pins on its bottom edge.
class TFilterControl : public QWidget {
public:
  TFilterControl(eng::IFilter* filter, QWidget* parent);
  eng::IFilter* Filter() const { return filter_; }
  const std::string& FilterName() const { return name_; }
  int InputCount() const;
  int OutputCount() const;
  // The filters the output pins lead to, in pin order, through queues and type finders.
  std::vector<eng::IFilter*> Downstream() const;

  std::function<void(TFilterControl*)> onClick;
  std::function<void()> onDoubleClick;

protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent*) override { update(); }
  void focusOutEvent(QFocusEvent*) override { update(); }

private:
  eng::IFilter* filter_;
  std::string name_;
};

// The graph picture: a box per filter in the engine's order, placed in rows, with the connections.
// The elements that only hold data or find types between filters are left out.
class TFilterBox : public QWidget {
public:
  explicit TFilterBox(QWidget* parent = nullptr);
  void SetGraph(eng::IGraph* graph);
  // The box with the focus, else the last one clicked; none without a graph.
  eng::IFilter* SelectedFilter() const;
  const std::vector<TFilterControl*>& Boxes() const { return boxes_; }

  std::function<void()> onSelect;
  std::function<void()> onProperties;

protected:
  void paintEvent(QPaintEvent*) override;

private:
  std::vector<TGraphBox> Facts() const;
  eng::IGraph* graph_ = nullptr;
  std::vector<TFilterControl*> boxes_;
  std::vector<TGraphLine> lines_;
  TFilterControl* clicked_ = nullptr;
};

// "DirectShow Filters" (command 104): the picture of the playing graph, the details of the box
// clicked, and the button that opens its settings, optionally stopping playback first.
class TfrFilters : public QDialog {
public:
  TfrFilters(TDirectShowHelper* dsh, QWidget* parent = nullptr);
  void Refresh();
  TFilterBox* View() const { return view_; }
  QPlainTextEdit* Details() const { return details_; }
  QPushButton* PropertiesButton() const { return properties_; }
  QCheckBox* StopFirst() const { return stop_; }
  void ShowProperties();
  QSize sizeHint() const override { return {900, 560}; }
  // The main window's playback state applied again after a filter's settings closed.
  std::function<void()> afterProperties;

protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

private:
  void Selected();
  TDirectShowHelper* dsh_;
  QPlainTextEdit* details_ = nullptr;
  QPushButton* properties_ = nullptr;
  QCheckBox* stop_ = nullptr;
  QScrollArea* panel_ = nullptr;
  TFilterBox* view_ = nullptr;
};

} // namespace zv
