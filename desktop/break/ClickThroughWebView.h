#pragma once

#include "desktop/break/PageBridge.h"
#include "desktop/break/ResourceInterceptor.h"
#include "desktop/break/ResourceOnlyPage.h"
#include "ports/WebView.h"

#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <functional>
#include <memory>

namespace lumio {

class PanelStack;

// The break page in its panel: transparent, confined to the resources folder,
// talking back over a message bridge, and asleep while no break is shown.
//
// Hidden with its panel, the page already draws nothing and has its timers
// throttled; once the web engine finds it idle (loaded, hidden, no debugger
// attached) it is frozen too, so it runs no script at all and keeps its state
// until the next break shows it, which makes it active again.
//
// A page that cannot be loaded (missing file, load error, crashed renderer)
// would leave a break as an empty panel over a dimmed screen that nothing can
// close. So the view then shuts the panel stack down (every panel is hidden
// and refuses to show from then on, and stderr says why once) and fails.
// Breaks are still counted; they are just not drawn.
class ClickThroughWebView final : public QWebEngineView, public WebView {
    Q_OBJECT

  public:
    // onPainted, when given, hears when each break the page shows is painted.
    // The page is laid out for designSize; the view zooms it to its own size.
    ClickThroughWebView(std::shared_ptr<PanelStack> stack, std::function<void()> onPainted,
                        QSize designSize);
    ClickThroughWebView(const ClickThroughWebView&) = delete;
    ClickThroughWebView& operator=(const ClickThroughWebView&) = delete;
    ~ClickThroughWebView() override;

    void loadFile(const std::filesystem::path& file,
                  const std::filesystem::path& readAccessDir) override;
    void showBreak(const BreakPage& shown) override;
    void setOnLoaded(std::function<void()> onLoaded) override;
    void setOnEvent(std::function<void(PageEvent)> onEvent) override;
    void setOnFail(std::function<void(PageFailure)> onFail) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void loadingChanged(const QWebEngineLoadingInfo& info);
    void fail(const std::string& why);
    void wake();
    void sleepIfIdle();

    const std::shared_ptr<PanelStack> stack;
    const QSize designSize;
    std::filesystem::path pageFile;
    std::function<void()> onLoaded;
    std::function<void(PageFailure)> onFail;
    // Declared so that the page goes first and the interceptor last.
    ResourceInterceptor interceptor;
    QWebEngineProfile profile;
    PageBridge bridge;
    QWebChannel channel;
    ResourceOnlyPage page;
};

} // namespace lumio
