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
    void menuClosed() override { ++closed; }
    int opened = 0;
    int inUse = 0;
    int closed = 0;
};

// A small model with one of every kind of line.
class TrayIconMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& info = add(top, "Info");
        info.enabled = false;
        add(top, "").separator = true;
        toggle = &add(top, "Toggle");
        toggle->toggle = Toggle::Check;
        toggle->checked = true;
        toggle->action = [this] {
            ++toggled;
            toggle->checked = !toggle->checked;
        };
        plain = &add(top, "Plain & simple");
        plain->action = [this] { ++plainRuns; };
        for (const auto* title : {"One", "Two"})
            add(sub, title).toggle = Toggle::Radio;
        sub.items[0]->checked = true;
        auto& opener = add(top, "More");
        opener.submenu = &sub;
        auto& quit = add(top, "Quit");
        quit.shortcut = "Ctrl+Q";

        item.setMenu(top, listener);
        menu = item.menu();
        ASSERT_NE(menu, nullptr);
    }

    MenuItem& add(Menu& into, std::string title) {
        auto& made = items.emplace_back();
        made.title = std::move(title);
        into.items.push_back(&made);
        return made;
    }

    QAction* action(int index) const { return menu->actions().at(index); }

    std::deque<MenuItem> items;
    Menu top;
    Menu sub;
    MenuItem* toggle = nullptr;
    MenuItem* plain = nullptr;
    int toggled = 0;
    int plainRuns = 0;
    RecordingListener listener;
    QtTrayIcon item{LUMIO_RESOURCES_DIR};
    QMenu* menu = nullptr;
};

TEST_F(TrayIconMenu, MirrorsTheModel) {
    ASSERT_EQ(menu->actions().size(), 6);
    EXPECT_EQ(action(0)->text(), "Info");
    EXPECT_FALSE(action(0)->isEnabled());
    EXPECT_TRUE(action(1)->isSeparator());
    EXPECT_TRUE(action(2)->isCheckable());
    EXPECT_TRUE(action(2)->isChecked());
    EXPECT_EQ(action(2)->actionGroup(), nullptr);
    EXPECT_FALSE(action(3)->isCheckable());
    // The ampersand is shown as it is, not taken as a mnemonic.
    EXPECT_EQ(action(3)->text(), "Plain && simple");
    EXPECT_EQ(action(3)->iconText(), "Plain & simple");
    ASSERT_NE(action(4)->menu(), nullptr);
    EXPECT_EQ(action(4)->text(), "More");
    const auto subActions = action(4)->menu()->actions();
    ASSERT_EQ(subActions.size(), 2);
    EXPECT_TRUE(subActions[0]->isChecked());
    EXPECT_FALSE(subActions[1]->isChecked());
    EXPECT_TRUE(subActions[1]->isCheckable());
    const auto* choices = subActions[0]->actionGroup();
    ASSERT_NE(choices, nullptr);
    EXPECT_TRUE(choices->isExclusive());
    EXPECT_EQ(subActions[1]->actionGroup(), choices);
    EXPECT_EQ(action(5)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_TRUE(action(4)->shortcut().isEmpty());
}

TEST_F(TrayIconMenu, ChoosingALineRunsItsActionAndKeepsTheModelsMarks) {
    action(3)->trigger();
    EXPECT_EQ(plainRuns, 1);
    EXPECT_FALSE(action(3)->isChecked());

    bool checkedWhileRunning = false;
    toggle->action = [this, &checkedWhileRunning] { // the model says it stays checked
        ++toggled;
        checkedWhileRunning = action(2)->isChecked();
    };
    action(2)->trigger();
    EXPECT_EQ(toggled, 1);
    EXPECT_TRUE(checkedWhileRunning) << "an action may wait on a dialog meanwhile";
    EXPECT_TRUE(action(2)->isChecked());

    const auto choices = action(4)->menu()->actions();
    choices[1]->trigger(); // the model keeps the first choice
    EXPECT_TRUE(choices[0]->isChecked());
    EXPECT_FALSE(choices[1]->isChecked());
}

TEST_F(TrayIconMenu, ModelChangesShowAfterMenuChanged) {
    toggle->checked = false;
    toggle->title = "Toggled";
    items.front().title = "Info 2";
    items.front().enabled = true;
    sub.items[1]->checked = true;
    item.menuChanged();
    EXPECT_EQ(action(0)->text(), "Info 2");
    EXPECT_TRUE(action(0)->isEnabled());
    EXPECT_EQ(action(2)->text(), "Toggled");
    EXPECT_FALSE(action(2)->isChecked());
    EXPECT_TRUE(action(2)->isCheckable()) << "an off switch is still a switch";
    EXPECT_TRUE(action(4)->menu()->actions()[1]->isChecked());
}

TEST_F(TrayIconMenu, TellsTheListenerWhenTheMenuOpensIsUsedAndCloses) {
    emit menu->aboutToShow();
    emit action(4)->menu()->aboutToShow();
    emit action(4)->menu()->actions()[1]->hovered();
    emit menu->aboutToHide();
    EXPECT_EQ(listener.opened, 1);
    EXPECT_EQ(listener.inUse, 2);
    EXPECT_EQ(listener.closed, 1);
    EXPECT_FALSE(item.menuOnScreen()) << "a tray host draws it";

    menu->popup(QPoint(10, 10));
    EXPECT_TRUE(item.menuOnScreen()) << "Lumio draws it";
    menu->hide();
    EXPECT_FALSE(item.menuOnScreen());
    EXPECT_EQ(listener.opened, 2);
    EXPECT_EQ(listener.closed, 2);
}

} // namespace
