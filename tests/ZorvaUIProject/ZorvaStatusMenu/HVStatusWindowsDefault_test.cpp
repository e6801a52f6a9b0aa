#include "Platform/Bundle.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusWindowsDefault.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QMessageBox* shownBox() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

} // namespace

// The alert is on screen when beginAlertSheet returns, with its data and the
// suite's icon; its last button ends it with that button's code, hidden. (How
// the program's alerts are recorded and pressed: the menu commands' end-to-end test.)
TEST(HVStatusWindowsDefault, AlertsShowTheirDataAndEndWithTheButtonsCode) {
    HVAlert alert;
    alert.windowTitle = u"Zorva Suite for Mac"_s;
    alert.messageText = u"Check for update failed."_s;
    alert.buttons = QStringList{u"OK"_s, u"Later"_s};
    alert.iconPath =
        platform::Bundle(QStringLiteral(ZORVA_BUNDLE_PATH)).pathForResource(u"ZMSIcon"_s, u"png"_s);
    HVStatusWindowsDefault windows;
    std::optional<qint64> ended;
    bool hidden = false;
    windows.beginAlertSheet(alert, [&](HVStatusSheet& sheet, qint64 code) {
        ended = code;
        sheet.orderOut();
        hidden = !shownBox();
    });
    QMessageBox* box = shownBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), alert.windowTitle);
    EXPECT_EQ(box->text(), alert.messageText);
    QStringList buttons;
    for (const QAbstractButton* button : box->buttons()) {
        buttons << button->text();
    }
    EXPECT_EQ(buttons, alert.buttons);
    EXPECT_EQ(box->iconPixmap().width(), 64); // the suite icon, not the toolkit's
    box->buttons().last()->click();
    ASSERT_TRUE(ended);
    EXPECT_EQ(*ended, kAlertFirstButtonReturn + 1);
    EXPECT_TRUE(hidden);
}
