#include "desktop/tray/QtAlerts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace lumio;

namespace {

// Runs `answer` on the alert once it is up, from inside its modal loop.
int runAnswering(const Alert& alert, std::function<void(QMessageBox&)> answer) {
    QtAlerts alerts{LUMIO_RESOURCES_DIR};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(*box);
        }
    });
    poll.start(10);
    return alerts.runModal(alert);
}

QPushButton* buttonTitled(QMessageBox& box, const QString& title) {
    for (auto* button : box.buttons()) {
        if (button->text() == title) return qobject_cast<QPushButton*>(button);
    }
    return nullptr;
}

const Alert TWO_CHOICES{"AppIcon", "Message", "Details", {"Yes", "Later"}};

TEST(QtAlerts, ShowsTheTextsUnderTheProgramsName) {
    runAnswering(TWO_CHOICES, [](QMessageBox& box) {
        EXPECT_EQ(box.windowTitle(), "Lumio");
        EXPECT_EQ(box.text(), "Message");
        EXPECT_EQ(box.informativeText(), "Details");
        EXPECT_FALSE(box.iconPixmap().isNull());
        ASSERT_EQ(box.buttons().size(), 2);
        EXPECT_EQ(box.defaultButton()->text(), "Yes");
        box.defaultButton()->click();
    });
}

TEST(QtAlerts, AnswersWithThePositionOfTheChosenButton) {
    EXPECT_EQ(
        runAnswering(TWO_CHOICES, [](QMessageBox& box) { buttonTitled(box, "Yes")->click(); }),
        ALERT_FIRST_BUTTON);
    EXPECT_EQ(
        runAnswering(TWO_CHOICES, [](QMessageBox& box) { buttonTitled(box, "Later")->click(); }),
        ALERT_FIRST_BUTTON + 1);
    const Alert three{std::nullopt, "M", "", {"A", "B", "C"}};
    EXPECT_EQ(runAnswering(three, [](QMessageBox& box) { buttonTitled(box, "B")->click(); }),
              ALERT_FIRST_BUTTON + 1);
}

TEST(QtAlerts, EscapeOrClosingIsNeverTheFirstChoice) {
    EXPECT_EQ(runAnswering(TWO_CHOICES,
                           [](QMessageBox& box) {
                               QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                               QApplication::sendEvent(&box, &escape);
                           }),
              ALERT_FIRST_BUTTON + 1);
    EXPECT_EQ(runAnswering(TWO_CHOICES, [](QMessageBox& box) { box.close(); }),
              ALERT_FIRST_BUTTON + 1);
}

TEST(QtAlerts, WithoutButtonsThereIsOneToAcknowledge) {
    const Alert bare{std::nullopt, "Failed", "Why", {}};
    EXPECT_EQ(runAnswering(bare,
                           [](QMessageBox& box) {
                               ASSERT_EQ(box.buttons().size(), 1);
                               EXPECT_FALSE(box.iconPixmap().isNull());
                               box.buttons().front()->click();
                           }),
              ALERT_FIRST_BUTTON);
    EXPECT_EQ(runAnswering(bare, [](QMessageBox& box) { box.close(); }), ALERT_FIRST_BUTTON);
}

TEST(QtAlerts, AMissingImageLeavesTheBoxWithoutOne) {
    const Alert alert{"no-such-image", "M", "", {}};
    runAnswering(alert, [](QMessageBox& box) {
        EXPECT_TRUE(box.iconPixmap().isNull());
        box.close();
    });
}

} // namespace
