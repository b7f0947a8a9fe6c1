#include "desktop/overlay/OverlayPanel.h"

#include "desktop/overlay/PanelStack.h"
#include "desktop/overlay/X11Display.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <cmath>
#include <iostream>

namespace lumio {

namespace {

int pixels(double logical) {
    return static_cast<int>(std::lround(logical));
}

} // namespace

OverlayPanel::OverlayPanel(const PanelStyle& style, std::shared_ptr<PanelStack> stack)
    : panelStyle(style), stack(std::move(stack)) {
    // Override-redirect rather than a window the window manager looks after:
    // only such a window is sure to stack above full-screen windows (EWMH puts
    // a focused full-screen window over every "above" window), and it comes
    // without the rest for free: no window manager ever focuses it, it shows on
    // every workspace and it is absent from taskbars, pagers and Alt+Tab. The
    // price is that the window manager knows nothing of it, so it stays where
    // we put it; a break is short and sits in a corner, so that is what we want.
    // Qt never activates a window that does not accept focus, not even on a
    // click, so the click still reaches the page and the keyboard stays with
    // the window the user is typing in.
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                            Qt::WindowDoesNotAcceptFocus;
    if (panelStyle.clickThrough) flags |= Qt::WindowTransparentForInput;
    setWindowFlags(flags);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    this->stack->add(*this);
}

OverlayPanel::~OverlayPanel() {
    stack->remove(*this);
}

void OverlayPanel::setFrame(Rect frame) {
    setGeometry(pixels(frame.x), pixels(frame.y), pixels(frame.width), pixels(frame.height));
}

void OverlayPanel::orderFront() {
    if (!canShow()) return;
    show();
    stack->restack();
}

void OverlayPanel::orderOut() {
    hide();
}

void OverlayPanel::setAlpha(double alpha) {
    stopFade();
    setWindowOpacity(alpha);
}

void OverlayPanel::animateAlpha(double to, Seconds duration, std::function<void()> completion) {
    stopFade();
    fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(static_cast<int>(std::lround(std::max(0.0, duration.count()) * 1000)));
    fade->setStartValue(windowOpacity());
    fade->setEndValue(to);
    connect(fade, &QPropertyAnimation::finished, this, [this, completion = std::move(completion)] {
        fade->deleteLater();
        fade.clear();
        if (completion) completion();
    });
    fade->start();
}

void OverlayPanel::setContent(QWidget& content) {
    auto* const layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(&content);
}

bool OverlayPanel::event(QEvent* event) {
    // Qt creates the X window late, and again when the web view's renderer
    // needs another kind of surface; each new one is marked before it is mapped.
    if (event->type() == QEvent::WinIdChange && internalWinId() != 0) {
        x11::markAsNotification(*this);
    }
    return QWidget::event(event);
}

void OverlayPanel::paintEvent(QPaintEvent*) {
    if (panelStyle.blackAlpha <= 0) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), QColor::fromRgbF(0, 0, 0, static_cast<float>(panelStyle.blackAlpha)));
}

void OverlayPanel::stopFade() {
    if (!fade) return;
    fade->disconnect(this);
    fade->stop();
    fade->deleteLater();
    fade.clear();
}

bool OverlayPanel::canShow() {
    if (stack->isShutDown()) return false;
    // Without a compositor the black would be drawn opaque and hide the screen.
    if (panelStyle.blackAlpha > 0 && !x11::compositorRunning()) {
        if (!toldNoCompositor) {
            std::cerr << "lumio: không có trình tổng hợp cửa sổ (compositor) nên màn hình sẽ "
                         "không được làm tối trong giờ nghỉ mắt\n";
            toldNoCompositor = true;
        }
        return false;
    }
    return true;
}

} // namespace lumio
