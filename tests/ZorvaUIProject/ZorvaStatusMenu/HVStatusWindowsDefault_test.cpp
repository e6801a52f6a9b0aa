#include "Platform/Bundle.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusWindowsDefault.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
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

QStringList buttonTexts(const QMessageBox& box) {
    QStringList texts;
    for (const QAbstractButton* button : box.buttons()) {
        texts << button->text();
    }
    return texts;
}

} // namespace

TEST(HVStatusWindowsDefault, AlertsShowTheirDataAndEndWithTheButtonsCode) {
    // The pictures are kept in the build tree for a look.
    const QString pictures = QStringLiteral(ZORVA_BINARY_DIR "/pictures/alerts");
    QDir(pictures).removeRecursively();
    qputenv("ZORVA_WINDOW_RECORD", pictures.toUtf8());
    HVAlert alert;
    alert.windowTitle = u"Zorva Suite for Mac"_s;
    alert.iconPath =
        platform::Bundle(QStringLiteral(ZORVA_BUNDLE_PATH)).pathForResource(u"ZMSIcon"_s, u"png"_s);
    const std::pair<QString, QStringList> cases[] = {
        // clang-format off
        {u"Software is up to date."_s, {u"OK"_s}},
        {u"Check for update failed. Try again later or check your Internet Connection."_s, {u"OK"_s, u"Later"_s}},
        // clang-format on
    };
    HVStatusWindowsDefault windows;
    for (const auto& [message, buttons] : cases) {
        SCOPED_TRACE(message.toStdString());
        alert.messageText = message;
        alert.buttons = buttons;
        std::optional<qint64> ended;
        bool hidden = false;
        windows.beginAlertSheet(alert, [&](HVStatusSheet& sheet, qint64 code) {
            ended = code;
            sheet.orderOut();
            hidden = !shownBox();
        });
        // beginAlertSheet returned at once with the alert on screen.
        QMessageBox* box = shownBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), alert.windowTitle);
        EXPECT_EQ(box->text(), message);
        EXPECT_EQ(buttonTexts(*box), buttons);
        EXPECT_EQ(box->iconPixmap().width(), 64); // the suite icon, not the toolkit's
        QApplication::processEvents();            // the picture is taken
        box->buttons().last()->click();
        ASSERT_TRUE(ended);
        EXPECT_EQ(*ended, kAlertFirstButtonReturn + buttons.size() - 1);
        EXPECT_TRUE(hidden);
    }
    const QStringList recorded =
        QString::fromUtf8(testsupport::readFile(pictures + u"/windows.txt"_s))
            .split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(recorded.size(), 2);
    EXPECT_EQ(recorded[0], u"1-alert|Zorva Suite for Mac|Software is up to date.||OK"_s);
    EXPECT_FALSE(QImage(pictures + u"/1-alert.png"_s).isNull());
    qunsetenv("ZORVA_WINDOW_RECORD");
}
