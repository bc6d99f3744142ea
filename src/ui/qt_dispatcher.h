#pragma once

#include "core/ui_dispatcher.h"

#include <QObject>

namespace zv {

// Posts work to the Qt event loop of the thread this object lives on (the user-interface thread).
class TQtDispatcher : public IUiDispatcher {
public:
  TQtDispatcher();
  ~TQtDispatcher() override;
  void Post(std::function<void()> work) override;

private:
  QObject* context_;
};

} // namespace zv
