#include "desktop/tray/QtAlerts.h"

#include "desktop/tray/SvgImage.h"

#include <QMessageBox>
#include <QPushButton>

#include <vector>

namespace lumio {

namespace {

constexpr int ICON_SIZE = 64;
constexpr const char* OK = "OK";

} // namespace

int QtAlerts::runModal(const Alert& alert) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Lumio"));
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    // Without a named image the box shows the program's own icon.
    if (auto image =
            svgPixmap(resources / (alert.iconName.value_or("AppIcon") + ".svg"), ICON_SIZE)) {
        box.setIconPixmap(*image);
    }

    std::vector<QPushButton*> buttons;
    const std::vector<std::string> titles =
        alert.buttons.empty() ? std::vector<std::string>{OK} : alert.buttons;
    for (const auto& title : titles) {
        const auto role = buttons.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        buttons.push_back(box.addButton(QString::fromStdString(title), role));
    }
    box.setDefaultButton(buttons.front());
    // Escape and the close button answer as the last choice: only an explicit
    // click picks the first one, unless it is the only one.
    box.setEscapeButton(buttons.back());

    box.exec();
    const auto* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == clicked) return ALERT_FIRST_BUTTON + static_cast<int>(i);
    }
    return ALERT_FIRST_BUTTON + static_cast<int>(buttons.size() - 1);
}

} // namespace lumio
