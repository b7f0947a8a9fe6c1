#pragma once

#include <QUrl>
#include <QWebEnginePage>

namespace lumio {

// The break page: it stays on its own document, whatever it or the user
// tries, and comes with every browser feature it does not use turned off.
class ResourceOnlyPage final : public QWebEnginePage {
    Q_OBJECT

  public:
    explicit ResourceOnlyPage(QWebEngineProfile& profile);

    // The one document this page may show.
    void setDocument(const QUrl& url) { document = url; }
    const QUrl& documentUrl() const { return document; }
    bool isDocument(const QUrl& url) const;

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

  private:
    QUrl document;
};

} // namespace lumio
