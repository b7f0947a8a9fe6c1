#pragma once

#include "ports/OverlayPorts.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>
#include <functional>
#include <memory>

namespace lumio {

class PanelStack;

// A break panel on X11: a borderless, translucent window that never takes the
// keyboard focus, optionally painted black at some alpha and passing the
// pointer through to whatever lies beneath it.
class OverlayPanel final : public QWidget, public Panel {
    Q_OBJECT

  public:
    OverlayPanel(const PanelStyle& style, std::shared_ptr<PanelStack> stack);
    ~OverlayPanel() override;
    OverlayPanel(const OverlayPanel&) = delete;
    OverlayPanel& operator=(const OverlayPanel&) = delete;

    void setFrame(Rect frame) override;
    void orderFront() override;
    void orderOut() override;
    bool isVisible() const override { return QWidget::isVisible(); }
    void setAlpha(double alpha) override;
    void animateAlpha(double to, Seconds duration, std::function<void()> completion) override;

    int level() const { return panelStyle.level; }
    // Puts the break page over the whole panel, following its size.
    void setContent(QWidget& content);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void stopFade();
    void fitShape();
    bool canShow();

    const PanelStyle panelStyle;
    const std::shared_ptr<PanelStack> stack;
    QPointer<QPropertyAnimation> fade;
    bool toldNoCompositor = false;
    bool hostsPage = false;
};

} // namespace lumio
