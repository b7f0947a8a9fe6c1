#include "desktop/overlay/HelperOverlayToolkit.h"

#include "desktop/measure/TimingLog.h"
#include "desktop/overlay/HelperProcess.h"
#include "desktop/overlay/X11Display.h"

#include "channel/BreakProtocol.h"
#include "files/Diagnostics.h"

#include <QGuiApplication>
#include <map>
#include <optional>
#include <stdexcept>
#include <unistd.h>
#include <variant>

namespace lumio {

using channel::FromHelper;

// One helper and what lives in it, shared by the panels and page made while
// it runs; it ends with the last of them.
class HelperRun final {
  public:
    HelperRun(const std::filesystem::path& program, const std::vector<std::string>& notInherited,
              TimingLog* timing)
        : timing(timing), process(
                              program, arguments(timing), notInherited,
                              [this](std::string_view line) { received(line); },
                              // A note is made again by each helper; the user needs it once.
                              [](const std::string& line) { relayOnce(line); },
                              [this](const std::string& why) { ended(why); }) {
        send(channel::Hello{});
    }

    int newId() { return ++lastId; }
    bool isGone() const { return gone.has_value(); }

    void send(const channel::FromTray& message) {
        if (!gone) process.send(channel::encode(message));
    }
    void breakSent() const {
        if (timing) timing->scriptSent();
    }

    // What the helper says of the panel or page with this id.
    void listen(int id, std::function<void(const FromHelper&)> handler) {
        listeners[id] = std::move(handler);
    }
    void forget(int id) { listeners.erase(id); }
    // Whoever wants to hear that the helper is gone, and why; called at most once.
    void setOnGone(std::function<void(PageFailure)> handler) { onGone = std::move(handler); }

  private:
    static QStringList arguments(const TimingLog* timing) {
        QStringList list{QStringLiteral("--parent"), QString::number(::getpid())};
        if (timing) list << QStringLiteral("--report-paint");
        return list;
    }

    void received(std::string_view line) {
        if (gone) return; // outdated: nothing it says counts any more
        auto decoded = channel::decodeFromHelper(line);
        if (!decoded.message) {
            diagnoseOnce("ignoring " + decoded.problem + " from the break helper");
            return;
        }
        const auto* hello = std::get_if<channel::Hello>(&*decoded.message);
        if (!greeted) {
            // A helper from before the hello says nothing of the kind first.
            if (!hello || hello->version != channel::version()) {
                outdated(hello ? "version " + std::to_string(hello->version) : "an older version");
                return;
            }
            greeted = true;
            return;
        }
        std::visit([this](const auto& message) { dispatch(message); }, *decoded.message);
    }

    void dispatch(const channel::Painted&) {
        if (timing) timing->painted();
    }
    void dispatch(const channel::Hello&) {}
    void dispatch(const channel::Alive&) {}
    template <typename Message> void dispatch(const Message& message) {
        const int id = [&] {
            if constexpr (requires { message.page; }) {
                return message.page;
            } else {
                return message.panel;
            }
        }();
        const auto found = listeners.find(id);
        if (found != listeners.end()) found->second(message);
    }

    void outdated(const std::string& version) {
        diagnoseOnce("the break helper speaks " + version + " of the break channel and this " +
                     "lumio version " + std::to_string(channel::version()) +
                     " (Lumio was updated while it ran)");
        goneFor(PageFailure::Outdated);
    }

    void ended(const std::string& why) {
        if (gone) return;
        diagnose("the break helper " + why +
                 "; this break still counts, and the next one starts a new helper");
        goneFor(PageFailure::Broken);
    }

    void goneFor(PageFailure why) {
        gone = why;
        if (onGone) onGone(why);
    }

    TimingLog* const timing;
    int lastId = 0;
    bool greeted = false;
    std::optional<PageFailure> gone;
    std::map<int, std::function<void(const FromHelper&)>> listeners;
    std::function<void(PageFailure)> onGone;
    HelperProcess process; // last, so it goes first and calls into nothing gone
};

namespace {

class RemotePanel final : public Panel {
  public:
    RemotePanel(std::shared_ptr<HelperRun> helper, const PanelStyle& style)
        : helper(std::move(helper)), id(this->helper->newId()) {
        this->helper->listen(id, [this](const FromHelper& message) {
            if (const auto* faded = std::get_if<channel::Faded>(&message)) fadeEnded(faded->fade);
        });
        this->helper->send(channel::MakePanel{id, style});
    }
    ~RemotePanel() override { helper->forget(id); }
    RemotePanel(const RemotePanel&) = delete;
    RemotePanel& operator=(const RemotePanel&) = delete;

    int panelId() const { return id; }
    const std::shared_ptr<HelperRun>& helperRun() const { return helper; }

    void setGeometry(Rect geometry) override { helper->send(channel::PlacePanel{id, geometry}); }
    void show() override {
        visible = true;
        helper->send(channel::ShowPanel{id});
    }
    void hide() override {
        visible = false;
        helper->send(channel::HidePanel{id});
    }
    // What was last asked for: the helper may still refuse to show a panel
    // (no compositor for the dimming), which the core need not know.
    bool isVisible() const override { return visible; }
    void setOpacity(double opacity) override {
        completion = nullptr;
        ++fade;
        helper->send(channel::SetOpacity{id, opacity});
    }
    void fadeTo(double to, Seconds duration, std::function<void()> done) override {
        completion = std::move(done);
        ++fade;
        helper->send(channel::FadePanel{id, to, duration.count(), fade});
    }

  private:
    void fadeEnded(int which) {
        if (which != fade || !completion) return;
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
        : helper(std::move(helper)), id(this->helper->newId()), host(host.panelId()), width(width),
          height(height) {
        this->helper->listen(id, [this](const FromHelper& message) {
            std::visit([this](const auto& m) { received(m); }, message);
        });
        this->helper->setOnGone([this](PageFailure why) { failed(why); });
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
            channel::MakePage{id, host, width, height, file.string(), readAccessDir.string()});
    }
    void showBreak(const BreakPage& page) override {
        helper->breakSent();
        helper->send(channel::ShowBreak{id, page});
    }
    void setOnLoaded(std::function<void()> handler) override { onLoaded = std::move(handler); }
    void setOnEvent(std::function<void(PageEvent)> handler) override {
        onEvent = std::move(handler);
    }
    void setOnFail(std::function<void(PageFailure)> handler) override {
        onFail = std::move(handler);
    }

  private:
    void received(const channel::PageLoaded&) {
        if (onLoaded) onLoaded();
    }
    void received(const channel::PageSaid& said) {
        if (onEvent) onEvent(said.event);
    }
    void received(const channel::PageFailed&) { failed(PageFailure::Broken); }
    void received(const auto&) {}

    void failed(PageFailure why) {
        if (hasFailed) return;
        hasFailed = true;
        if (onFail) onFail(why);
    }

    const std::shared_ptr<HelperRun> helper;
    const int id;
    const int host;
    const double width, height;
    bool hasFailed = false;
    std::function<void()> onLoaded;
    std::function<void(PageEvent)> onEvent;
    std::function<void(PageFailure)> onFail;
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
        running = std::make_shared<HelperRun>(helper, notInherited, timing);
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
