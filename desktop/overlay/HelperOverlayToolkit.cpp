#include "desktop/overlay/HelperOverlayToolkit.h"

#include "desktop/measure/TimingLog.h"
#include "desktop/overlay/HelperProcess.h"
#include "desktop/overlay/X11Display.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <iostream>
#include <map>
#include <set>
#include <stdexcept>
#include <unistd.h>

namespace lumio {

namespace {

QString text(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

// One helper and what lives in it, shared by the panels and page made while
// it runs; it ends with the last of them.
class HelperRun final {
  public:
    HelperRun(const std::filesystem::path& program, const std::vector<std::string>& notInherited,
              TimingLog* timing, std::set<std::string>& said)
        : timing(timing), process(
                              program, arguments(timing), notInherited,
                              [this](const QJsonObject& message) { received(message); },
                              // A note is made again by each helper; the user needs it once.
                              [&said](const std::string& line) {
                                  if (said.insert(line).second) std::cerr << line << "\n";
                              },
                              [this](const std::string& why) { ended(why); }) {}

    int newId() { return ++lastId; }
    bool isGone() const { return gone; }

    void send(QString op, int id, QJsonObject fields = {}) {
        if (gone) return;
        fields.insert(QStringLiteral("op"), op);
        fields.insert(QStringLiteral("id"), id);
        process.send(fields);
    }
    void scriptSent() const {
        if (timing) timing->scriptSent();
    }

    void listen(int id, std::function<void(const QJsonObject&)> handler) {
        listeners[id] = std::move(handler);
    }
    void forget(int id) { listeners.erase(id); }
    // Whoever wants to hear that the helper is gone; called at most once.
    void setOnGone(std::function<void()> handler) { onGone = std::move(handler); }

  private:
    static QStringList arguments(const TimingLog* timing) {
        QStringList list{QStringLiteral("--parent"), QString::number(::getpid())};
        if (timing) list << QStringLiteral("--report-paint");
        return list;
    }

    void received(const QJsonObject& message) {
        const auto event = message.value(QStringLiteral("ev")).toString();
        if (event == QLatin1String("painted")) {
            if (timing) timing->painted();
            return;
        }
        const auto found = listeners.find(message.value(QStringLiteral("id")).toInt());
        if (found != listeners.end()) found->second(message);
    }

    void ended(const std::string& why) {
        gone = true;
        std::cerr << "lumio: the break helper " << why
                  << "; this break still counts, and the next one starts a new helper\n";
        if (onGone) onGone();
    }

    TimingLog* const timing;
    int lastId = 0;
    bool gone = false;
    std::map<int, std::function<void(const QJsonObject&)>> listeners;
    std::function<void()> onGone;
    HelperProcess process; // last, so it goes first and calls into nothing gone
};

namespace {

class RemotePanel final : public Panel {
  public:
    RemotePanel(std::shared_ptr<HelperRun> helper, const PanelStyle& style)
        : helper(std::move(helper)), id(this->helper->newId()) {
        this->helper->listen(id, [this](const QJsonObject& message) { faded(message); });
        this->helper->send(QStringLiteral("panel"), id,
                           {{QStringLiteral("level"), style.level},
                            {QStringLiteral("clickThrough"), style.clickThrough},
                            {QStringLiteral("blackAlpha"), style.blackAlpha}});
    }
    ~RemotePanel() override { helper->forget(id); }
    RemotePanel(const RemotePanel&) = delete;
    RemotePanel& operator=(const RemotePanel&) = delete;

    int panelId() const { return id; }
    const std::shared_ptr<HelperRun>& helperRun() const { return helper; }

    void setGeometry(Rect geometry) override {
        helper->send(QStringLiteral("geometry"), id,
                     {{QStringLiteral("x"), geometry.x},
                      {QStringLiteral("y"), geometry.y},
                      {QStringLiteral("width"), geometry.width},
                      {QStringLiteral("height"), geometry.height}});
    }
    void show() override {
        visible = true;
        helper->send(QStringLiteral("show"), id);
    }
    void hide() override {
        visible = false;
        helper->send(QStringLiteral("hide"), id);
    }
    // What was last asked for: the helper may still refuse to show a panel
    // (no compositor for the dimming), which the core need not know.
    bool isVisible() const override { return visible; }
    void setOpacity(double opacity) override {
        completion = nullptr;
        ++fade;
        helper->send(QStringLiteral("opacity"), id, {{QStringLiteral("value"), opacity}});
    }
    void fadeTo(double to, Seconds duration, std::function<void()> done) override {
        completion = std::move(done);
        ++fade;
        helper->send(QStringLiteral("fade"), id,
                     {{QStringLiteral("to"), to},
                      {QStringLiteral("seconds"), duration.count()},
                      {QStringLiteral("fade"), fade}});
    }

  private:
    void faded(const QJsonObject& message) {
        if (message.value(QStringLiteral("fade")).toInt() != fade || !completion) return;
        const auto done = std::move(completion);
        completion = nullptr;
        done();
    }

    const std::shared_ptr<HelperRun> helper;
    const int id;
    bool visible = false;
    int fade = 0;
    std::function<void()> completion;
};

class RemoteWebView final : public WebView {
  public:
    RemoteWebView(std::shared_ptr<HelperRun> helper, const RemotePanel& host, double width,
                  double height)
        : helper(std::move(helper)), id(this->helper->newId()) {
        this->helper->listen(id, [this](const QJsonObject& message) { received(message); });
        this->helper->setOnGone([this] { failed(); });
        this->helper->send(QStringLiteral("web"), id,
                           {{QStringLiteral("host"), host.panelId()},
                            {QStringLiteral("width"), width},
                            {QStringLiteral("height"), height}});
    }
    ~RemoteWebView() override {
        helper->forget(id);
        helper->setOnGone(nullptr);
    }
    RemoteWebView(const RemoteWebView&) = delete;
    RemoteWebView& operator=(const RemoteWebView&) = delete;

    void loadFile(const std::filesystem::path& file,
                  const std::filesystem::path& readAccessDir) override {
        helper->send(
            QStringLiteral("load"), id,
            {{QStringLiteral("file"), text(file)}, {QStringLiteral("dir"), text(readAccessDir)}});
    }
    void runJavaScript(const std::string& script) override {
        helper->scriptSent();
        helper->send(QStringLiteral("eval"), id,
                     {{QStringLiteral("script"), QString::fromStdString(script)}});
    }
    void setOnLoaded(std::function<void()> handler) override { onLoaded = std::move(handler); }
    void setOnMessage(std::function<void(const std::optional<std::string>&)> handler) override {
        onMessage = std::move(handler);
    }
    void setOnFail(std::function<void()> handler) override { onFail = std::move(handler); }

  private:
    void received(const QJsonObject& message) {
        const auto event = message.value(QStringLiteral("ev")).toString();
        if (event == QLatin1String("loaded")) {
            if (onLoaded) onLoaded();
        } else if (event == QLatin1String("message")) {
            const auto body = message.value(QStringLiteral("body"));
            if (onMessage)
                onMessage(body.isString() ? std::optional(body.toString().toStdString())
                                          : std::nullopt);
        } else if (event == QLatin1String("failed")) {
            failed(); // the helper has said why
        }
    }
    void failed() {
        if (hasFailed) return;
        hasFailed = true;
        if (onFail) onFail();
    }

    const std::shared_ptr<HelperRun> helper;
    const int id;
    bool hasFailed = false;
    std::function<void()> onLoaded;
    std::function<void(const std::optional<std::string>&)> onMessage;
    std::function<void()> onFail;
};

} // namespace

HelperOverlayToolkit::HelperOverlayToolkit(std::filesystem::path helper,
                                           std::filesystem::path resourceDirectory,
                                           std::vector<std::string> notInherited, TimingLog* timing,
                                           double timeScale)
    : helper(std::move(helper)), resources(std::move(resourceDirectory)),
      notInherited(std::move(notInherited)), timing(timing), timeScale(timeScale) {}

HelperOverlayToolkit::~HelperOverlayToolkit() = default;

bool HelperOverlayToolkit::available() {
    return QGuiApplication::platformName() == QStringLiteral("xcb") && x11::hasDisplay();
}

std::shared_ptr<HelperRun> HelperOverlayToolkit::helperRun() {
    auto running = current.lock();
    if (!running || running->isGone()) {
        running = std::make_shared<HelperRun>(helper, notInherited, timing, said);
        current = running;
    }
    return running;
}

std::unique_ptr<Panel> HelperOverlayToolkit::makePanel(const PanelStyle& style) {
    return std::make_unique<RemotePanel>(helperRun(), style);
}

std::unique_ptr<WebView> HelperOverlayToolkit::makeWebView(Panel& host, double width,
                                                           double height) {
    const auto* const panel = dynamic_cast<const RemotePanel*>(&host);
    if (panel == nullptr) throw std::invalid_argument("the web view's host is not a helper panel");
    return std::make_unique<RemoteWebView>(panel->helperRun(), *panel, width, height);
}

} // namespace lumio
