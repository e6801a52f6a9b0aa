#pragma once

#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusPlatform.h"

#include <QObject>
#include <memory>

class QMessageBox;
class QWidget;

// Alerts as QMessageBox and the update window as a dialog, each a top-level
// window of its own. Non-blocking ones delete themselves once ended.
//
// With $ZORVA_WINDOW_RECORD naming a folder, every window shown is also
// written there as a picture, <n>-<kind>.png, and described by one line of
// windows.txt: kind, window title, texts and buttons (for the update window:
// title and component names), separated by "|". A file <n>-<kind>.press
// written there presses a button of that window by its text ("Update", or
// "Update#1" for the second one). Demos and end-to-end tests see and drive the
// windows of the running program this way.
class HVStatusWindowsDefault final : public HVStatusWindows {
public:
    qint64 runModal(const HVAlert& alert) override;
    void beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) override;
    void beginUpdateWindow(const std::optional<HVComponentList>& list, bool willShowSettingBtn,
                           HVSheetEndHandler didEnd) override;

    // A message box showing the alert, not yet shown (tests take pictures of it).
    static std::unique_ptr<QMessageBox> makeMessageBox(const HVAlert& alert,
                                                       Qt::WindowModality modality);
    // The code of the button that ended the box: 1000 for the first, and so on.
    static qint64 returnCodeOf(const QMessageBox& box);
    // Records a shown window when $ZORVA_WINDOW_RECORD asks for it.
    static void record(QWidget* window, const QString& kind, const QStringList& description);
};
