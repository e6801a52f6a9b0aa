#pragma once

#include "ZorvaUIProject/HVUpdatePopUpView.h"

#include <QDialog>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QTableWidget;
class QWidget;

// The update window on screen: a top-level dialog that shows the layout
// HVUpdatePopUpView computes and forwards every click and choice to it. It is
// shown without blocking; the button that ends it is the dialog's result, and
// finished(int) carries its tag (1000 Close / Not now, 1001 settings, the row
// of an Update button, 0 for update-now). Escape and the window's close box
// act as Close. Closing it never ends the application.
//
// The opener keeps the returned window until finished() and then lets it go
// (deleteLater()).
class HVUpdatePopUpViewWidget : public QDialog {
    Q_OBJECT
public:
    // The table layout for the list (absent: empty); the settings button on request.
    static std::unique_ptr<HVUpdatePopUpViewWidget>
    initWithList(const std::optional<HVComponentList>& list, bool willShowSettingBtn,
                 std::shared_ptr<HVUpdateWindowPlatform> platform = {});
    // The single-component layout of the first entry; null for an absent list.
    static std::unique_ptr<HVUpdatePopUpViewWidget>
    initWithList(const std::optional<HVComponentList>& list,
                 std::shared_ptr<HVUpdateWindowPlatform> platform = {});

    // The device error report for an error-report dictionary (empty: an empty window).
    static std::unique_ptr<HVUpdatePopUpViewWidget>
    initWithPanicTraceInfo(const QVariantMap& info,
                           std::shared_ptr<HVUpdateWindowPlatform> platform = {});

    // Opens the table layout without blocking and calls sheetEnd with the return
    // code when it ends; the window then deletes itself. What the status item
    // uses.
    static QPointer<HVUpdatePopUpViewWidget>
    beginSheetWithList(const std::optional<HVComponentList>& list, bool willShowSettingBtn,
                       std::function<void(int returnCode)> sheetEnd,
                       std::shared_ptr<HVUpdateWindowPlatform> platform = {});

    ~HVUpdatePopUpViewWidget() override;

    HVUpdatePopUpView& view() { return *m_view; }
    // The table of the table layout; null in the single-component layout.
    QTableWidget* table() const { return m_table; }

    // Shows the window without blocking, in front, with the keyboard focus.
    void beginSheet();

public Q_SLOTS:
    // Escape and the close box: the "Close" (or "Not now") button.
    void reject() override;

private:
    HVUpdatePopUpViewWidget(std::unique_ptr<HVUpdatePopUpView> view,
                            std::shared_ptr<HVUpdateWindowPlatform> platform);
    void buildTable(const HVTableLayout& layout);
    void buildSingle(const HVSingleLayout& layout);
    void buildPanicTrace(const HVPanicTraceLayout& layout);
    QWidget* makeCell(const HVCellContent& cell, double width, double height);
    void place(QWidget* parent, const HVCellContent& content, double height);
    void addButton(QWidget* parent, const HVButtonItem& item, double height);

    std::unique_ptr<HVUpdatePopUpView> m_view;
    std::shared_ptr<HVUpdateWindowPlatform> m_platform;
    QTableWidget* m_table = nullptr; // owned by the dialog
    // Natural heights of a push button and a pop-up, measured once per window.
    int m_buttonHeight = 0;
    int m_popUpHeight = 0;
    // Pictures already scaled for a frame size, by file (rows often share one).
    QHash<QString, QPixmap> m_pictures;
};
