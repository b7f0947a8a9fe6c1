#include "desktop/break/QtOverlayToolkit.h"

#include "desktop/break/ClickThroughWebView.h"
#include "desktop/break/LayerShell.h"
#include "desktop/break/OverlayPanel.h"
#include "desktop/break/PanelStack.h"
#include "desktop/overlay/WebEngineSetup.h"
#include "desktop/overlay/X11Display.h"

#include <QGuiApplication>
#include <cmath>
#include <stdexcept>

namespace lumio {

QtOverlayToolkit::QtOverlayToolkit(std::filesystem::path resourceDirectory,
                                   std::function<void()> onPainted)
    : resources(std::move(resourceDirectory)), layers(LayerShell::connect()),
      stack(std::make_shared<PanelStack>()), onPainted(std::move(onPainted)) {
    prepareWebEngine();
}

QtOverlayToolkit::~QtOverlayToolkit() = default;

bool QtOverlayToolkit::available() {
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("wayland")) return LayerShell::offered();
    return platform == QLatin1String("xcb") && x11::hasDisplay();
}

std::unique_ptr<Panel> QtOverlayToolkit::makePanel(const PanelStyle& style) {
    return std::make_unique<OverlayPanel>(style, stack, layers.get());
}

std::unique_ptr<WebView> QtOverlayToolkit::makeWebView(Panel& host, double width, double height) {
    auto* const panel = dynamic_cast<OverlayPanel*>(&host);
    if (panel == nullptr) throw std::invalid_argument("the web view's host is not an OverlayPanel");
    const QSize size(static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)));
    auto view = std::make_unique<ClickThroughWebView>(stack, onPainted, size);
    view->resize(size);
    panel->setContent(*view);
    return view;
}

} // namespace lumio
