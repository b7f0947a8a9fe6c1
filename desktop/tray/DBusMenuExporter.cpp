#include "desktop/tray/DBusMenuExporter.h"

#include <QDBusArgument>
#include <QDBusVariant>
#include <QTimer>

#include <functional>
#include <utility>

namespace lumio {

namespace {

const QString INTROSPECTION = QStringLiteral(R"xml(<interface name="com.canonical.dbusmenu">
  <property name="Version" type="u" access="read"/>
  <property name="TextDirection" type="s" access="read"/>
  <property name="Status" type="s" access="read"/>
  <property name="IconThemePath" type="as" access="read"/>
  <method name="GetLayout">
    <arg name="parentId" type="i" direction="in"/>
    <arg name="recursionDepth" type="i" direction="in"/>
    <arg name="propertyNames" type="as" direction="in"/>
    <arg name="revision" type="u" direction="out"/>
    <arg name="layout" type="(ia{sv}av)" direction="out"/>
  </method>
  <method name="GetGroupProperties">
    <arg name="ids" type="ai" direction="in"/>
    <arg name="propertyNames" type="as" direction="in"/>
    <arg name="properties" type="a(ia{sv})" direction="out"/>
  </method>
  <method name="GetProperty">
    <arg name="id" type="i" direction="in"/>
    <arg name="name" type="s" direction="in"/>
    <arg name="value" type="v" direction="out"/>
  </method>
  <method name="Event">
    <arg name="id" type="i" direction="in"/>
    <arg name="eventId" type="s" direction="in"/>
    <arg name="data" type="v" direction="in"/>
    <arg name="timestamp" type="u" direction="in"/>
  </method>
  <method name="EventGroup">
    <arg name="events" type="a(isvu)" direction="in"/>
    <arg name="idErrors" type="ai" direction="out"/>
  </method>
  <method name="AboutToShow">
    <arg name="id" type="i" direction="in"/>
    <arg name="needUpdate" type="b" direction="out"/>
  </method>
  <method name="AboutToShowGroup">
    <arg name="ids" type="ai" direction="in"/>
    <arg name="updatesNeeded" type="ai" direction="out"/>
    <arg name="idErrors" type="ai" direction="out"/>
  </method>
  <signal name="ItemsPropertiesUpdated">
    <arg name="updatedProps" type="a(ia{sv})"/>
    <arg name="removedProps" type="a(ias)"/>
  </signal>
  <signal name="LayoutUpdated">
    <arg name="revision" type="u"/>
    <arg name="parent" type="i"/>
  </signal>
</interface>
)xml");

// How long after a host asked to show the menu a click it passes on belongs
// to the menu it draws.
constexpr std::chrono::seconds HOST_MENU_CLICK{1};

// The menu's shape never changes, so its layout has one revision.
constexpr uint REVISION = 1;

// "_" marks a mnemonic in dbusmenu labels; ours are shown as given.
QString label(const std::string& title) {
    return QString::fromStdString(title).replace(QLatin1Char('_'), QStringLiteral("__"));
}

QVariantMap only(const QVariantMap& all, const QStringList& names) {
    if (names.isEmpty()) return all;
    QVariantMap kept;
    for (const auto& name : names) {
        if (const auto found = all.constFind(name); found != all.cend()) kept.insert(name, *found);
    }
    return kept;
}

QList<int> ids(const QVariant& argument) {
    return qdbus_cast<QList<int>>(argument.value<QDBusArgument>());
}

} // namespace

DBusMenuExporter::DBusMenuExporter(const Menu& menu, MenuListener& listener,
                                   std::function<void(const MenuItem&)> choose)
    : DBusObject(QStringLiteral("/MenuBar"), QStringLiteral("com.canonical.dbusmenu"),
                 INTROSPECTION),
      listener(listener), choose(std::move(choose)) {
    entries.emplace_back();
    add(menu, 0);
    for (int id = 0; id < static_cast<int>(entries.size()); ++id)
        entries[static_cast<std::size_t>(id)].sent = propertiesOf(id);

    const auto method = [this](const char* name, const char* signature, auto answer) {
        addMethod(QString::fromLatin1(name), QString::fromLatin1(signature),
                  std::bind_front(answer, this));
    };
    method("GetLayout", "iias", &DBusMenuExporter::answerGetLayout);
    method("GetGroupProperties", "aias", &DBusMenuExporter::answerGetGroupProperties);
    method("GetProperty", "is", &DBusMenuExporter::answerGetProperty);
    method("Event", "isvu", &DBusMenuExporter::answerEvent);
    method("EventGroup", "a(isvu)", &DBusMenuExporter::answerEventGroup);
    method("AboutToShow", "i", &DBusMenuExporter::answerAboutToShow);
    method("AboutToShowGroup", "ai", &DBusMenuExporter::answerAboutToShowGroup);
}

QDBusMessage DBusMenuExporter::answerGetLayout(const QDBusMessage& call) const {
    const auto arguments = call.arguments();
    const int parent = arguments[0].toInt();
    if (!known(parent)) return unknownId(call, parent);
    const auto tree = layout(parent, arguments[1].toInt(), arguments[2].toStringList());
    return call.createReply({QVariant::fromValue(REVISION), QVariant::fromValue(tree)});
}

QDBusMessage DBusMenuExporter::answerGetGroupProperties(const QDBusMessage& call) const {
    const auto arguments = call.arguments();
    QList<DBusMenuItem> found;
    for (const int id : ids(arguments[0])) {
        if (known(id)) found.append({id, only(propertiesOf(id), arguments[1].toStringList())});
    }
    return call.createReply(QVariant::fromValue(found));
}

QDBusMessage DBusMenuExporter::answerGetProperty(const QDBusMessage& call) const {
    const int id = call.arguments()[0].toInt();
    const QString name = call.arguments()[1].toString();
    if (!known(id)) return unknownId(call, id);
    const auto all = propertiesOf(id);
    const auto value = all.constFind(name);
    if (value == all.cend())
        return invalidArgs(call, QStringLiteral("Item %1 has no property %2").arg(id).arg(name));
    return call.createReply(QVariant::fromValue(QDBusVariant(*value)));
}

QDBusMessage DBusMenuExporter::answerEvent(const QDBusMessage& call) {
    const int id = call.arguments()[0].toInt();
    if (!known(id)) return unknownId(call, id);
    event(id, call.arguments()[1].toString(), call.service());
    return call.createReply();
}

QDBusMessage DBusMenuExporter::answerEventGroup(const QDBusMessage& call) {
    QList<int> unknown;
    int count = 0;
    const auto events = call.arguments()[0].value<QDBusArgument>();
    events.beginArray();
    for (; !events.atEnd(); ++count) {
        int id = 0;
        QString name;
        QDBusVariant data;
        uint timestamp = 0;
        events.beginStructure();
        events >> id >> name >> data >> timestamp;
        events.endStructure();
        known(id) ? event(id, name, call.service()) : unknown.append(id);
    }
    events.endArray();
    if (count > 0 && unknown.size() == count)
        return invalidArgs(call, QStringLiteral("No item of these events exists"));
    return call.createReply(QVariant::fromValue(unknown));
}

QDBusMessage DBusMenuExporter::answerAboutToShow(const QDBusMessage& call) {
    const int id = call.arguments()[0].toInt();
    if (!known(id)) return unknownId(call, id);
    opened(id, call.service());
    return call.createReply(QVariant(false));
}

QDBusMessage DBusMenuExporter::answerAboutToShowGroup(const QDBusMessage& call) {
    QList<int> unknown;
    const auto asked = ids(call.arguments()[0]);
    for (const int id : asked)
        known(id) ? opened(id, call.service()) : unknown.append(id);
    if (!asked.isEmpty() && unknown.size() == asked.size())
        return invalidArgs(call, QStringLiteral("No such items"));
    return call.createReply({QVariant::fromValue(QList<int>()), QVariant::fromValue(unknown)});
}

void DBusMenuExporter::add(const Menu& menu, int parent) {
    for (const MenuItem* item : menu.items) {
        const int id = static_cast<int>(entries.size());
        entries[static_cast<std::size_t>(parent)].children.push_back(id);
        entries.push_back({.item = item, .children = {}, .sent = {}});
        if (item->submenu) add(*item->submenu, id);
    }
}

bool DBusMenuExporter::known(int id) const {
    return id >= 0 && id < static_cast<int>(entries.size());
}

QVariantMap DBusMenuExporter::propertiesOf(int id) const {
    const MenuItem* item = entries[static_cast<std::size_t>(id)].item;
    if (!item) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    QVariantMap shown{{QStringLiteral("visible"), true},
                      {QStringLiteral("enabled"), item->enabled}};
    if (item->separator) {
        shown.insert(QStringLiteral("type"), QStringLiteral("separator"));
        return shown;
    }
    // No shortcut: the chord works in Lumio's own menu, not in one a host draws.
    shown.insert(QStringLiteral("label"), label(item->title));
    if (item->toggle != Toggle::None) {
        shown.insert(QStringLiteral("toggle-type"), item->toggle == Toggle::Check
                                                        ? QStringLiteral("checkmark")
                                                        : QStringLiteral("radio"));
        shown.insert(QStringLiteral("toggle-state"), item->checked ? 1 : 0);
    }
    if (item->submenu) shown.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return shown;
}

DBusMenuLayout DBusMenuExporter::layout(int id, int depth, const QStringList& names) const {
    DBusMenuLayout node{.id = id, .properties = only(propertiesOf(id), names), .children = {}};
    if (depth == 0) return node;
    for (const int child : entries[static_cast<std::size_t>(id)].children)
        node.children.append(layout(child, depth - 1, names));
    return node;
}

void DBusMenuExporter::event(int id, const QString& name, const QString& sender) {
    const MenuItem* item = entries[static_cast<std::size_t>(id)].item;
    if (name == QLatin1String("clicked")) {
        if (item && item->enabled && !item->separator && !item->submenu) {
            // After the reply: the action may wait on a dialog.
            QTimer::singleShot(0, this, [this, item] { choose(*item); });
        }
    } else if (name == QLatin1String("opened")) {
        opened(id, sender);
    } else if (name == QLatin1String("closed")) {
        if (item) return;
        shownBy.remove(sender);
        listener.menuClosed(MenuDrawer::TrayHost);
    } else if (name == QLatin1String("hovered")) {
        listener.menuInUse();
    }
}

void DBusMenuExporter::opened(int id, const QString& sender) {
    if (entries[static_cast<std::size_t>(id)].item) {
        listener.menuInUse();
        return;
    }
    shownBy.insert(sender, std::chrono::steady_clock::now());
    listener.menuOpened();
}

bool DBusMenuExporter::drawnBy(const QString& host) const {
    // Some hosts read the layout ahead and draw the menu on one button while
    // asking Lumio to act on the other, and some never report a closing: a
    // host draws the menu only right after it asked to show it.
    const auto shown = shownBy.constFind(host);
    return shown != shownBy.cend() && std::chrono::steady_clock::now() - *shown < HOST_MENU_CLICK;
}

QDBusMessage DBusMenuExporter::unknownId(const QDBusMessage& call, int id) const {
    return invalidArgs(call, QStringLiteral("No menu item with id %1").arg(id));
}

void DBusMenuExporter::menuChanged() {
    QList<DBusMenuItem> updated;
    QList<DBusMenuItemKeys> removed;
    for (int id = 0; id < static_cast<int>(entries.size()); ++id) {
        auto& entry = entries[static_cast<std::size_t>(id)];
        const auto now = propertiesOf(id);
        if (now == entry.sent) continue;
        DBusMenuItem changed{.id = id, .properties = {}};
        DBusMenuItemKeys gone{.id = id, .names = {}};
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (entry.sent.value(it.key()) != it.value())
                changed.properties.insert(it.key(), it.value());
        }
        for (auto it = entry.sent.cbegin(); it != entry.sent.cend(); ++it) {
            if (!now.contains(it.key())) gone.names.append(it.key());
        }
        if (!changed.properties.isEmpty()) updated.append(changed);
        if (!gone.names.isEmpty()) removed.append(gone);
        entry.sent = now;
    }
    if (updated.isEmpty() && removed.isEmpty()) return;
    emitSignal(QStringLiteral("ItemsPropertiesUpdated"),
               {QVariant::fromValue(updated), QVariant::fromValue(removed)});
}

QVariantMap DBusMenuExporter::properties() const {
    return {{QStringLiteral("Version"), QVariant::fromValue(3U)},
            {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
            {QStringLiteral("Status"), QStringLiteral("normal")},
            {QStringLiteral("IconThemePath"), QStringList()}};
}

} // namespace lumio
