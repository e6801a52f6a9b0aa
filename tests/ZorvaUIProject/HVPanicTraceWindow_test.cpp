#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"
#include "support/DeviceSimulatorProcess.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"
#include "support/UpdateWindowFixtures.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QPushButton* button(QWidget& window, const QString& title) {
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == title) {
            return b;
        }
    }
    return nullptr;
}

} // namespace

// The report of the simulator's demo device, through the real service client:
// Copy, Reset and Close as a user presses them.
TEST(PanicTraceWindow, CopyResetAndCloseReachClipboardServiceAndOpener) {
    ScopedSandbox sandbox;
    DeviceSimulatorProcess sim(simulatorScenario(QStringLiteral("demo.json")));
    ASSERT_TRUE(sim.started());
    const QVariantMap info =
        HVDisObj::init()
            ->getPanicTraceInfoFromAppService(QStringLiteral("HV2454"), 336592896)
            .toMap();
    ASSERT_FALSE(info.isEmpty());

    const auto window = HVUpdatePopUpViewWidget::initWithPanicTraceInfo(info);
    window->show();
    const QString report = window->view().panicTraceMsg();
    EXPECT_TRUE(report.startsWith("\nError log from Zorva Quillo 52\n")) << report.toStdString();
    EXPECT_TRUE(report.contains("\n2: 0xABCDEF01\nTotal error codes: 2")) << report.toStdString();
    const auto* text = window->findChild<QPlainTextEdit*>();
    ASSERT_TRUE(text);
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->toPlainText(), report);
    EXPECT_EQ(window->size(), QSize(260, 280));

    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    button(*window, QStringLiteral("Copy"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), report);

    button(*window, QStringLiteral("Reset"))->click();
    EXPECT_EQ(sim.waitForRequests(2).value(1),
              QStringLiteral("resetDevFromPanicTrace_locId \"HV2454\" 336592896"));
    EXPECT_TRUE(window->isVisible()); // Reset leaves the window open

    QSignalSpy finished(window.get(), &QDialog::finished);
    button(*window, QStringLiteral("Close"))->click();
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 1000);
}

TEST(PanicTraceWindow, EmptyReportLeavesAnEmptyWindowAndAFailedResetIsTraced) {
    TraceCapture capture;
    auto platform = std::make_shared<FakeUpdateWindowPlatform>();
    const auto empty = HVUpdatePopUpViewWidget::initWithPanicTraceInfo({}, platform);
    EXPECT_TRUE(empty->findChildren<QPushButton*>().isEmpty());
    EXPECT_TRUE(empty->view().panicTraceMsg().isNull());
    EXPECT_EQ(capture.count("showPanicTraceForInfo : Api called"), 0);

    platform->resetReachesService = false;
    const auto window = HVUpdatePopUpViewWidget::initWithPanicTraceInfo(
        {{"ProdIdKey", "HV0A17"}, {"LocIdKey", -5}}, platform);
    EXPECT_EQ(window->view().locIdForPanicTrace(), -5);
    button(*window, QStringLiteral("Reset"))->click();
    EXPECT_EQ(platform->resets, (QList<QPair<QString, qint64>>{{"HV0A17", -5}}));
    EXPECT_EQ(capture.count("resetPanicTrace : statusAppDO is NULL"), 1);
}
