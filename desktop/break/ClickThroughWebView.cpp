#include "desktop/break/ClickThroughWebView.h"

#include "desktop/break/PanelStack.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QResizeEvent>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <algorithm>

namespace lumio {

namespace {

using Lifecycle = QWebEnginePage::LifecycleState;
// The engine's own lower limit.
constexpr double MIN_ZOOM = 0.25;

} // namespace

ClickThroughWebView::ClickThroughWebView(std::shared_ptr<PanelStack> stack,
                                         std::function<void()> onPainted, QSize designSize)
    : stack(std::move(stack)), designSize(designSize), page(profile) {
    profile.setHttpCacheType(QWebEngineProfile::NoCache);
    profile.setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    profile.setSpellCheckEnabled(false);
    profile.setUrlRequestInterceptor(&interceptor);

    channel.registerObject(PageBridge::channelName(), &bridge);
    page.setWebChannel(&channel, QWebEngineScript::MainWorld);
    QWebEngineScript bridgeScript;
    bridgeScript.setName(QStringLiteral("lumio-bridge"));
    bridgeScript.setInjectionPoint(QWebEngineScript::DocumentCreation);
    bridgeScript.setWorldId(QWebEngineScript::MainWorld);
    bridgeScript.setRunsOnSubFrames(false);
    bridgeScript.setSourceCode(PageBridge::script(static_cast<bool>(onPainted)));
    bridge.setOnPainted(std::move(onPainted));
    page.scripts().insert(bridgeScript);

    connect(&page, &QWebEnginePage::loadingChanged, this, &ClickThroughWebView::loadingChanged);
    // Queued, so the page has settled in its new state before we act on it.
    connect(&page, &QWebEnginePage::recommendedStateChanged, this,
            &ClickThroughWebView::sleepIfIdle, Qt::QueuedConnection);
    connect(&page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus, int exitCode) {
                fail("the page's renderer ended (exit status " + std::to_string(exitCode) + ")");
            });

    setPage(&page);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setFocusPolicy(Qt::NoFocus);
}

ClickThroughWebView::~ClickThroughWebView() = default;

void ClickThroughWebView::loadFile(const std::filesystem::path& file,
                                   const std::filesystem::path& readAccessDir) {
    pageFile = file;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        fail("no such file");
        return;
    }
    const auto url = QUrl::fromLocalFile(
        QString::fromStdString(std::filesystem::weakly_canonical(file, error).string()));
    if (error || !ResourceInterceptor::isInside(url, readAccessDir)) {
        fail("the file lies outside " + readAccessDir.string());
        return;
    }
    interceptor.allowOnly(readAccessDir);
    page.setDocument(url);
    page.load(url);
}

// The page's own call for a break; every value goes in as JSON, so no text
// from anywhere becomes script.
void ClickThroughWebView::showBreak(const BreakPage& shown) {
    wake();
    const QJsonObject options{
        {QStringLiteral("animalId"), QString::fromStdString(shown.animalId)},
        {QStringLiteral("breakSec"), static_cast<qint64>(shown.breakSec)},
        {QStringLiteral("dim"), false},
        {QStringLiteral("snoozeMin"), static_cast<qint64>(shown.snoozeMin)},
    };
    page.runJavaScript(
        QStringLiteral("__lumioShow(%1)")
            .arg(QString::fromUtf8(QJsonDocument(options).toJson(QJsonDocument::Compact))));
}

// A card scaled down to fit a small screen shows the whole page, smaller.
void ClickThroughWebView::resizeEvent(QResizeEvent* event) {
    QWebEngineView::resizeEvent(event);
    const double zoom = std::min(static_cast<double>(width()) / designSize.width(),
                                 static_cast<double>(height()) / designSize.height());
    page.setZoomFactor(std::clamp(zoom, MIN_ZOOM, 1.0));
}

void ClickThroughWebView::setOnLoaded(std::function<void()> loaded) {
    onLoaded = std::move(loaded);
}

void ClickThroughWebView::setOnEvent(std::function<void(PageEvent)> onEvent) {
    bridge.setHandler(std::move(onEvent));
}

void ClickThroughWebView::setOnFail(std::function<void(PageFailure)> fail) {
    onFail = std::move(fail);
}

void ClickThroughWebView::loadingChanged(const QWebEngineLoadingInfo& info) {
    if (!page.isDocument(info.url())) return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        if (onLoaded) onLoaded();
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        fail(info.errorString().toStdString());
        break;
    default:
        break;
    }
}

void ClickThroughWebView::fail(const std::string& why) {
    if (stack->isShutDown()) return;
    stack->shutDown("could not open the break page " + pageFile.string() + ": " + why);
    if (onFail) onFail(PageFailure::Broken);
}

void ClickThroughWebView::wake() {
    if (page.lifecycleState() != Lifecycle::Active) page.setLifecycleState(Lifecycle::Active);
}

// Never further than frozen: a discarded page would lose its state and its
// message bridge.
void ClickThroughWebView::sleepIfIdle() {
    if (page.lifecycleState() == Lifecycle::Active &&
        page.recommendedState() != Lifecycle::Active) {
        page.setLifecycleState(Lifecycle::Frozen);
    }
}

} // namespace lumio
