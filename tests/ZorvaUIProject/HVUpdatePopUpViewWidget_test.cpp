#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "ZorvaUIProject/Zorva/HyperlinkLabel.h"
#include "support/TestSupport.h"
#include "support/UpdateWindowFixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

const QList<QPair<QString, QString>> kLanguages = {{"Deutsch", "407"}, {"English", "409"}};

// The list the click tests open: row 2 carries language and region choices.
QList<QVariantMap> clickList() {
    QVariantMap hs = deviceEntry("Zorva Brisk", "HV0AF2");
    hs.insert("UpdateForHeadset", "TRUE");
    QVariantMap choices = deviceEntry("Zorva Quillo 40", "HV2454");
    choices.insert("languageInfo", languageList(kLanguages));
    choices.insert("buildVectorInfo", buildWithRegions({{"Europe", "7"}, {"Asia", "12"}}));
    return {deviceEntry("Zorva Vell", "HV2455", 1), hs, choices,
            deviceEntry("Zorva Suite for Mac", "HV0000")};
}

template <class T>
T* widgetIn(QTableWidget* table, int row, int column) {
    QWidget* cell = table->cellWidget(row, column);
    return cell ? cell->findChild<T*>() : nullptr;
}

} // namespace

// The launch itself, byte for byte, is the launcher's; here the window's part: which
// click hands which arguments over, with the user's choice in them.
TEST(UpdateWindowWidget, UpdateButtonsHandTheChoicesToTheUpdater) {
    // The headset row hands over its name; the others their description, with English
    // as the user chose it and Europe written as the default.
    for (const int row : {2, 1, 3}) {
        ScopedSandbox sandbox;
        auto platform = std::make_shared<FakeUpdateWindowPlatform>();
        const HVComponentList list = entries(clickList());
        const auto window = HVUpdatePopUpViewWidget::initWithList(list, false, platform);
        QSignalSpy finished(window.get(), &QDialog::finished);
        window->beginSheet();
        // The user picks English for row 2 before pressing its Update button.
        Q_EMIT widgetIn<QComboBox>(window->table(), 2, 2)->textActivated("English");
        widgetIn<QPushButton>(window->table(), row, 4)->click();

        ASSERT_EQ(finished.size(), 1);
        EXPECT_EQ(finished.at(0).at(0).toInt(), row);
        EXPECT_FALSE(window->isVisible());
        if (row == 3) { // the suite: its page opens instead
            EXPECT_EQ(platform->opened,
                      QList<QUrl>({QUrl("https://updates.zorva.example/fw/HV0000")}));
            EXPECT_TRUE(platform->launched.isEmpty());
            continue;
        }
        EXPECT_TRUE(platform->opened.isEmpty());
        EXPECT_EQ(list.at(2)->value("selectedLangKey"), "409");
        EXPECT_EQ(list.at(2)->value("selectedRegionKey"), "7");
        EXPECT_EQ(platform->launched,
                  (QList<QPair<QString, QStringList>>{
                      {sandbox.system("Applications/Zorva Firmware Updater.app"),
                       HVFirmwareUpdaterArguments::arguments(list.at(row))}}));
    }
}

TEST(UpdateWindowWidget, ClosingTheWindowLeavesTheProgramRunning) {
    ASSERT_TRUE(QApplication::quitOnLastWindowClosed());
    auto platform = std::make_shared<FakeUpdateWindowPlatform>();
    // A missing entry and one without a state among them: the window opens all the same.
    HVComponentList list = entries(clickList());
    list.append(nullptr);
    list.first()->remove("UpdateStatusKey");
    QList<int> codes;
    QPointer<HVUpdatePopUpViewWidget> window;
    bool answered = false;
    QTimer::singleShot(0, qApp, [&] {
        window = HVUpdatePopUpViewWidget::beginSheetWithList(
            list, true, [&](int code) { codes.append(code); }, platform);
        // The release-notes link goes to the browser, then the close box ends the window.
        QWidget* nameCell = window->table()->cellWidget(2, 1);
        QTest::mouseClick(nameCell->findChild<HyperlinkLabel*>(), Qt::LeftButton);
        window->close();
    });
    QTimer::singleShot(300, qApp, [&] {
        answered = true;
        QCoreApplication::exit(7);
    });
    EXPECT_EQ(QApplication::exec(), 7);
    EXPECT_TRUE(answered);
    EXPECT_EQ(codes, QList<int>({1000}));
    EXPECT_TRUE(window.isNull()); // it deleted itself
    EXPECT_EQ(platform->opened, QList<QUrl>({QUrl("https://updates.zorva.example/notes/HV2454")}));
}
