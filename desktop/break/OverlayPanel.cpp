#include "desktop/break/OverlayPanel.h"

#include "desktop/break/LayerShell.h"
#include "desktop/break/PanelStack.h"
#include "desktop/overlay/X11Display.h"
#include "files/Diagnostics.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QVBoxLayout>
#include <cmath>
#include <qpa/qplatformnativeinterface.h>

namespace lumio {

namespace {

int pixels(double logical) {
    return static_cast<int>(std::lround(logical));
}

// The outline of the card the break page draws (.card in overlay.css): inset
// from the panel's edges, with rounded corners.
constexpr int CARD_INSET = 8;
constexpr int CARD_RADIUS = 26;

QRegion cardOutline(QSize panel) {
    const QRect card(CARD_INSET, CARD_INSET, panel.width() - 2 * CARD_INSET,
                     panel.height() - 2 * CARD_INSET);
    const int r = CARD_RADIUS;
    QRegion outline(card.adjusted(0, r, 0, -r));
    // The rows of the rounded ends, the same at top and bottom, left and
    // right: a pixel is the card's when its centre is.
    for (int row = 0; row < r; ++row) {
        const double dy = r - (row + 0.5);
        const int cut = static_cast<int>(std::ceil(r - std::sqrt(r * r - dy * dy) - 0.5));
        const QRect line(card.left() + cut, 0, card.width() - 2 * cut, 1);
        outline += line.translated(0, card.top() + row);
        outline += line.translated(0, card.bottom() - row);
    }
    return outline;
}

} // namespace

OverlayPanel::OverlayPanel(const PanelStyle& style, std::shared_ptr<PanelStack> stack,
                           const LayerShell* layers)
    : panelStyle(style), stack(std::move(stack)), layers(layers) {
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
    // On Wayland, Qt gives a window with the bypass hint no shell surface of
    // its own (QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT, see PanelPlatform), so
    // that it can become a layer surface of ours.
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

void OverlayPanel::setGeometry(Rect geometry) {
    // A layer surface's place is the compositor's: only the size counts.
    QWidget::setGeometry(pixels(geometry.x), pixels(geometry.y), pixels(geometry.width),
                         pixels(geometry.height));
    if (layer) layer->setSize(size());
}

void OverlayPanel::show() {
    if (!canShow()) return;
    if (layers != nullptr) {
        showAsLayer();
        return;
    }
    if (hostsPage) fitShape();
    QWidget::show();
    stack->restack();
}

void OverlayPanel::hide() {
    layer.reset(); // before Qt destroys its surface
    QWidget::hide();
}

void OverlayPanel::setOpacity(double opacity) {
    stopFade();
    if (layers != nullptr) {
        setBlackOpacity(opacity);
    } else {
        setWindowOpacity(opacity);
    }
}

void OverlayPanel::fadeTo(double to, Seconds duration, std::function<void()> completion) {
    stopFade();
    const bool painted = layers != nullptr;
    fade = new QPropertyAnimation(this, painted ? "blackOpacity" : "windowOpacity", this);
    fade->setDuration(static_cast<int>(std::lround(std::max(0.0, duration.count()) * 1000)));
    fade->setStartValue(painted ? blackOpacity() : windowOpacity());
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
    hostsPage = true;
}

bool OverlayPanel::event(QEvent* event) {
    // Qt creates the X window late, and again when the web view's renderer
    // needs another kind of surface; each new one is marked before it is mapped.
    if (layers == nullptr && event->type() == QEvent::WinIdChange && internalWinId() != 0) {
        x11::markAsNotification(*this);
    }
    return QWidget::event(event);
}

void OverlayPanel::paintEvent(QPaintEvent*) {
    if (panelStyle.blackAlpha <= 0) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(),
                     QColor::fromRgbF(0, 0, 0, static_cast<float>(panelStyle.blackAlpha * black)));
}

void OverlayPanel::setBlackOpacity(double opacity) {
    black = std::clamp(opacity, 0.0, 1.0);
    update();
}

void OverlayPanel::showAsLayer() {
    if (isVisible()) return;
    QWidget::show(); // Qt makes the surface now and first draws into it later
    auto* const surface = static_cast<wl_surface*>(
        QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
            QByteArrayLiteral("surface"), windowHandle()));
    if (surface == nullptr) {
        QWidget::hide();
        return;
    }
    // The panel the pointer passes through is the dimming; the other one
    // holds the page.
    const auto placement =
        panelStyle.clickThrough ? LayerSurface::Placement::Cover : LayerSurface::Placement::Corner;
    layer = std::make_unique<LayerSurface>(
        *layers, surface, placement, size(), [this](QSize given) { resize(given); },
        // Not from within the layer surface's own event.
        [this] {
            QMetaObject::invokeMethod(
                this, [this] { hide(); }, Qt::QueuedConnection);
        });
}

void OverlayPanel::stopFade() {
    if (!fade) return;
    fade->disconnect(this);
    fade->stop();
    fade->deleteLater();
    fade.clear();
}

void OverlayPanel::fitShape() {
    // Without a compositor the page's transparent margin and the card's round
    // corners would come out black; the window is cut to the card instead.
    // Checked at every break, so a compositor started or stopped meanwhile
    // gets its due.
    if (x11::compositorRunning()) {
        clearMask();
    } else {
        setMask(cardOutline(size()));
    }
}

bool OverlayPanel::canShow() {
    if (stack->isShutDown()) return false;
    // A Wayland compositor always composites, and its layer surfaces pass
    // the pointer through as asked.
    if (panelStyle.blackAlpha <= 0 || layers != nullptr) return true;
    // Without a compositor the black would be drawn opaque and hide the screen.
    if (!x11::compositorRunning()) {
        tellNoDimming("no compositing manager");
        return false;
    }
    // GNOME Shell under Wayland (here 43) honours the dimming's empty input
    // shape only now and then: in about one break in four it hands the dimming
    // every click for as long as it stays mapped, locking the desktop for the
    // whole break, and setting the shape again does not help.
    if (x11::underWayland() && x11::windowManagerName() == "GNOME Shell") {
        tellNoDimming("GNOME on Wayland would keep the clicks meant for the windows beneath");
        return false;
    }
    return true;
}

void OverlayPanel::tellNoDimming(const char* why) {
    diagnoseOnce(std::string(why) + ", so the screen is not dimmed during breaks");
}

} // namespace lumio
