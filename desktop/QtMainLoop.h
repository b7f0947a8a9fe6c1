#pragma once

#include "ports/MainLoop.h"

#include <QObject>
#include <QTimer>

namespace lumio {

// Qt timers run in every event loop of the main thread, nested ones included,
// so the ticker keeps going while a menu or a modal dialog is open.
class QtMainLoop final : public MainLoop {
  public:
    QtMainLoop();
    void after(Seconds delay, std::function<void()> work) override;
    void startTicker(Seconds interval, Seconds tolerance, std::function<void()> onTick) override;

  private:
    // Owns the pending one-shot work, so none of it outlives the loop.
    QObject context;
    QTimer ticker;
    std::function<void()> onTick;
};

} // namespace lumio
