#include "desktop/tray/QtDialogs.h"

#include "desktop/tray/SvgImage.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <vector>

namespace lumio {

namespace {

constexpr int ICON_SIZE = 64;
// The window's icon is drawn for each dialog, not once for the program: at this
// size it would otherwise take a quarter of a MiB for as long as Lumio runs.
constexpr int WINDOW_ICON_SIZE = 256;
constexpr const char* OK = "OK";

} // namespace

std::optional<std::size_t> QtDialogs::ask(const MessageDialog& dialog) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Lumio"));
    if (auto icon = svgPixmap(resources / "AppIcon.svg", WINDOW_ICON_SIZE)) {
        box.setWindowIcon(*icon);
    }
    box.setText(QString::fromStdString(dialog.text));
    box.setInformativeText(QString::fromStdString(dialog.informativeText));
    // Without a named image the box shows the program's own icon.
    if (auto image =
            svgPixmap(resources / (dialog.iconName.value_or("AppIcon") + ".svg"), ICON_SIZE)) {
        box.setIconPixmap(*image);
    }

    std::vector<QPushButton*> buttons;
    const std::vector<std::string> titles =
        dialog.buttons.empty() ? std::vector<std::string>{OK} : dialog.buttons;
    for (const auto& title : titles) {
        const auto role = buttons.empty() ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        buttons.push_back(box.addButton(QString::fromStdString(title), role));
    }
    box.setDefaultButton(buttons.front());
    // Escape and the close button answer as the last choice: only an explicit
    // click picks the first one, unless it is the only one.
    box.setEscapeButton(buttons.back());

    // Lumio has no window of its own the dialog could come up over: it comes
    // to the front of the primary monitor, where the desktop keeps its panel,
    // and takes the keyboard, as the moment the user meets the program.
    QTimer::singleShot(0, &box, [&box] {
        if (const QScreen* primary = QGuiApplication::primaryScreen()) {
            QRect frame = box.frameGeometry();
            frame.moveCenter(primary->availableGeometry().center());
            box.move(frame.topLeft());
        }
        box.raise();
        box.activateWindow();
    });
    box.exec();
    const auto* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == clicked) return i;
    }
    return std::nullopt;
}

} // namespace lumio
