#include "desktop/break/ResourceOnlyPage.h"

#include <QColor>
#include <QWebEngineSettings>

namespace lumio {

ResourceOnlyPage::ResourceOnlyPage(QWebEngineProfile& profile) : QWebEnginePage(&profile) {
    setBackgroundColor(Qt::transparent);
    QWebEngineSettings& s = *settings();
    for (const auto attribute : {
             QWebEngineSettings::JavascriptCanOpenWindows,
             QWebEngineSettings::JavascriptCanAccessClipboard,
             QWebEngineSettings::JavascriptCanPaste,
             QWebEngineSettings::AllowWindowActivationFromJavaScript,
             QWebEngineSettings::LocalContentCanAccessRemoteUrls,
             QWebEngineSettings::LocalStorageEnabled,
             QWebEngineSettings::LinksIncludedInFocusChain,
             QWebEngineSettings::SpatialNavigationEnabled,
             QWebEngineSettings::FocusOnNavigationEnabled,
             QWebEngineSettings::HyperlinkAuditingEnabled,
             QWebEngineSettings::ErrorPageEnabled,
             QWebEngineSettings::PluginsEnabled,
             QWebEngineSettings::PdfViewerEnabled,
             QWebEngineSettings::FullScreenSupportEnabled,
             QWebEngineSettings::ScreenCaptureEnabled,
             QWebEngineSettings::WebGLEnabled,
             QWebEngineSettings::AutoLoadIconsForPage,
             QWebEngineSettings::TouchIconsEnabled,
             QWebEngineSettings::DnsPrefetchEnabled,
             QWebEngineSettings::NavigateOnDropEnabled,
             QWebEngineSettings::ShowScrollBars,
         }) {
        s.setAttribute(attribute, false);
    }
    // The page's own stylesheet and script are files too; the interceptor keeps
    // this to the resources folder.
    s.setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s.setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    s.setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    s.setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);
}

bool ResourceOnlyPage::isDocument(const QUrl& url) const {
    return !document.isEmpty() && url.adjusted(QUrl::RemoveFragment) == document;
}

bool ResourceOnlyPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    return isMainFrame && isDocument(url);
}

} // namespace lumio
