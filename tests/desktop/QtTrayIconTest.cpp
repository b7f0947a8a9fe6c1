#include "desktop/tray/QtTrayIcon.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <gtest/gtest.h>

#include <deque>

using namespace lumio;

namespace {

class RecordingListener final : public MenuListener {
  public:
    void menuOpened() override { ++opened; }
    void menuInUse() override { ++inUse; }
    void menuClosed(MenuDrawer) override { ++closed; }
    int opened = 0, inUse = 0, closed = 0;
};

// A model with one line of every kind, a submenu of choices and a shortcut.
class TrayIconMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        add(top, "Info").enabled = false;
        add(top, "").separator = true;
        toggle = &add(top, "Toggle");
        toggle->toggle = Toggle::Check;
        toggle->checked = true;
        add(top, "Plain & simple").action = [this] { ++plainRuns; };
        for (const auto* title : {"One", "Two"})
            add(sub, title).toggle = Toggle::Radio;
        sub.items[0]->checked = true;
        add(top, "More").submenu = &sub;
        add(top, "Quit").shortcut = "Ctrl+Q";
        icon.setMenu(top, listener);
        menu = icon.menu();
    }

    MenuItem& add(Menu& into, std::string title) {
        auto& made = items.emplace_back();
        made.title = std::move(title);
        into.items.push_back(&made);
        return made;
    }
    QAction* action(int index) const { return menu->actions().at(index); }
    QList<QAction*> choices() const { return action(4)->menu()->actions(); }

    std::deque<MenuItem> items;
    Menu top, sub;
    MenuItem* toggle = nullptr;
    int plainRuns = 0;
    RecordingListener listener;
    QtTrayIcon icon{LUMIO_RESOURCES_DIR};
    QMenu* menu = nullptr;
};

TEST_F(TrayIconMenu, MirrorsTheModelAndItsChanges) {
    ASSERT_EQ(menu->actions().size(), 6);
    EXPECT_FALSE(action(0)->isEnabled());
    EXPECT_TRUE(action(1)->isSeparator());
    EXPECT_TRUE(action(2)->isCheckable() && action(2)->isChecked());
    EXPECT_FALSE(action(3)->isCheckable());
    EXPECT_EQ(action(3)->iconText(), "Plain & simple") << "no mnemonic";
    ASSERT_NE(choices()[0]->actionGroup(), nullptr);
    EXPECT_TRUE(choices()[0]->actionGroup()->isExclusive());
    EXPECT_EQ(choices()[1]->actionGroup(), choices()[0]->actionGroup());
    EXPECT_EQ(action(5)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    toggle->checked = false;
    items.front().title = "Info 2";
    sub.items[1]->checked = true;
    icon.menuChanged();
    EXPECT_EQ(action(0)->text(), "Info 2");
    EXPECT_TRUE(action(2)->isCheckable() && !action(2)->isChecked()) << "an off switch";
    EXPECT_TRUE(choices()[1]->isChecked());
}

TEST_F(TrayIconMenu, ChoosingALineRunsItsActionAndKeepsTheModelsMarks) {
    action(3)->trigger();
    EXPECT_EQ(plainRuns, 1);
    bool checkedWhileRunning = false;
    toggle->action = [&] { checkedWhileRunning = action(2)->isChecked(); };
    action(2)->trigger(); // the model says it stays checked
    EXPECT_TRUE(checkedWhileRunning) << "an action may wait on a dialog meanwhile";
    EXPECT_TRUE(action(2)->isChecked());
    choices()[1]->trigger(); // the model keeps the first choice
    EXPECT_TRUE(choices()[0]->isChecked());
    EXPECT_FALSE(choices()[1]->isChecked());
}

TEST_F(TrayIconMenu, TellsTheListenerWhenTheMenuOpensIsUsedAndCloses) {
    emit menu->aboutToShow();
    emit action(4)->menu()->aboutToShow();
    emit choices()[1]->hovered();
    emit menu->aboutToHide();
    EXPECT_EQ(listener.opened, 1);
    EXPECT_EQ(listener.inUse, 2);
    EXPECT_EQ(listener.closed, 1);
    EXPECT_FALSE(icon.menuOnScreen()) << "a tray host draws it";
    menu->popup(QPoint(10, 10));
    EXPECT_TRUE(icon.menuOnScreen()) << "Lumio draws it";
    menu->hide();
    EXPECT_FALSE(icon.menuOnScreen());
    EXPECT_EQ(listener.closed, 2);
}

} // namespace
