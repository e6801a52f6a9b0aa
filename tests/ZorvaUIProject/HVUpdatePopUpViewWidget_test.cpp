#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "ZorvaUIProject/Zorva/HyperlinkLabel.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"
#include "support/UpdateWindowFixtures.h"

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
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

QPushButton* button(QWidget& window, const QString& title) {
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == title) {
            return b;
        }
    }
    return nullptr;
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
    QTimer::singleShot(0, qApp, [&] {
        window = HVUpdatePopUpViewWidget::beginSheetWithList(
            list, true, [&](int code) { codes.append(code); }, platform);
        // The release-notes link goes to the browser, then the close box ends the window.
        QWidget* nameCell = window->table()->cellWidget(2, 1);
        QTest::mouseClick(nameCell->findChild<HyperlinkLabel*>(), Qt::LeftButton);
        window->close();
    });
    QTimer::singleShot(300, qApp, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 7); // not ended by the window's close
    EXPECT_EQ(codes, QList<int>({1000}));
    EXPECT_TRUE(window.isNull()); // it deleted itself
    EXPECT_EQ(platform->opened, QList<QUrl>({QUrl("https://updates.zorva.example/notes/HV2454")}));
}

// Copy, Reset and Close as a user presses them; the service's side of the reset
// is the service client's test.
TEST(PanicTraceWindow, CopyResetAndCloseReachClipboardPlatformAndOpener) {
    TraceCapture capture;
    auto platform = std::make_shared<FakeUpdateWindowPlatform>();
    const auto empty = HVUpdatePopUpViewWidget::initWithPanicTraceInfo({}, platform);
    EXPECT_TRUE(empty->findChildren<QPushButton*>().isEmpty());
    EXPECT_TRUE(empty->view().panicTraceMsg().isNull());
    EXPECT_EQ(capture.count("showPanicTraceForInfo : Api called"), 0);

    const auto window = HVUpdatePopUpViewWidget::initWithPanicTraceInfo(
        {{"ProdIdKey", "HV0A17"},
         {"LocIdKey", -5},
         {"devnamekey", "Zorva Quillo 52"},
         {"basetotalerrorcodekey", 2},
         {"baseerrorcodekey", QVariantList{"1F", "ABCDEF01"}}},
        platform);
    window->show();
    const QString report = window->view().panicTraceMsg();
    EXPECT_TRUE(report.startsWith("\nError log from Zorva Quillo 52\n")) << report.toStdString();
    EXPECT_TRUE(report.contains("\n2: 0xABCDEF01\nTotal error codes: 2")) << report.toStdString();
    const auto* text = window->findChild<QPlainTextEdit*>();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->toPlainText(), report);
    EXPECT_EQ(window->size(), QSize(260, 280));

    button(*window, QStringLiteral("Copy"))->click();
    EXPECT_EQ(platform->clipboard, report);

    // Reset leaves the window open; one the service does not take is traced.
    button(*window, QStringLiteral("Reset"))->click();
    platform->resetReachesService = false;
    button(*window, QStringLiteral("Reset"))->click();
    EXPECT_EQ(platform->resets, (QList<QPair<QString, qint64>>{{"HV0A17", -5}, {"HV0A17", -5}}));
    EXPECT_EQ(capture.count("resetPanicTrace : statusAppDO is NULL"), 1);
    EXPECT_TRUE(window->isVisible());

    QSignalSpy finished(window.get(), &QDialog::finished);
    button(*window, QStringLiteral("Close"))->click();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1000);
}
