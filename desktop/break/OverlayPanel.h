#pragma once

#include "desktop/break/LayerSurface.h"
#include "ports/Panel.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>
#include <functional>
#include <memory>

namespace lumio {

class LayerShell;
class PanelStack;

// A break panel: a borderless, translucent window that never takes the
// keyboard focus, optionally painted black at some alpha and passing the
// pointer through to whatever lies beneath it. On X11 an override-redirect
// window; on a Wayland compositor with a layer shell a layer surface, the
// page's panel in the corner and a black one over the whole output.
class OverlayPanel final : public QWidget, public Panel {
    Q_OBJECT
    // Wayland compositors ignore a window's opacity: there the black is
    // faded instead.
    Q_PROPERTY(double blackOpacity READ blackOpacity WRITE setBlackOpacity)

  public:
    // layers: the layer shell to put the panel in, or nullptr for X11.
    OverlayPanel(const PanelStyle& style, std::shared_ptr<PanelStack> stack,
                 const LayerShell* layers);
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
    double blackOpacity() const { return black; }
    void setBlackOpacity(double opacity);
    void showAsLayer();
    void stopFade();
    void fitShape();
    bool canShow();
    void tellNoDimming(const char* why);

    const PanelStyle panelStyle;
    const std::shared_ptr<PanelStack> stack;
    const LayerShell* const layers;
    std::unique_ptr<LayerSurface> layer;
    double black = 1;
    QPointer<QPropertyAnimation> fade;
    bool hostsPage = false;
};

} // namespace lumio
