#pragma once

#include "ports/Panel.h"

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

    // These hide QWidget's members of the same names, which they call.
    void setGeometry(Rect geometry) override;
    void show() override;
    void hide() override;
    bool isVisible() const override { return QWidget::isVisible(); }
    void setOpacity(double opacity) override;
    void fadeTo(double opacity, Seconds duration, std::function<void()> completion) override;

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
    void tellNoDimming(const char* why);

    const PanelStyle panelStyle;
    const std::shared_ptr<PanelStack> stack;
    QPointer<QPropertyAnimation> fade;
    bool toldNoDimming = false;
    bool hostsPage = false;
};

} // namespace lumio
