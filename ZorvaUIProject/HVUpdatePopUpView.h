#pragma once

#include "ZorvaUIProject/HVComponentUpdateList.h"
#include "ZorvaUIProject/HVUpdatePopUpViewLayout.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Bundle;
}

// What the update window asks of the world: where its pictures and texts come
// from, the web browser, starting the firmware updater, and measuring a name.
// The application uses HVUpdateWindowPlatformDefault; tests plug in a fake.
class HVUpdateWindowPlatform {
public:
    virtual ~HVUpdateWindowPlatform() = default;
    // The bundle of pictures and localized texts; null when there is none.
    virtual std::shared_ptr<const platform::Bundle> resourceBundle() = 0;
    virtual bool openURL(const QUrl& url) = 0;
    virtual bool launchApplicationAtPath(const QString& path, const QStringList& arguments) = 0;
    // Width in points of a component name in the bold 11.75-point name font.
    virtual double nameWidth(const QString& name) = 0;
    // The error report's Copy: the text, as plain text, on the clipboard.
    virtual void setClipboardText(const QString& text) = 0;
    // The error report's Reset: asks the device service, through a new client, to
    // clear the device's error log. False when no client could be made.
    virtual bool resetPanicTrace(const QString& productID, qint64 locationID) = 0;
};

// The real thing: the main bundle (or the settings pane's bundle when running
// inside the system settings), the default browser, the detached launch, and
// font metrics (needs a QGuiApplication).
class HVUpdateWindowPlatformDefault : public HVUpdateWindowPlatform {
public:
    std::shared_ptr<const platform::Bundle> resourceBundle() override;
    bool openURL(const QUrl& url) override;
    bool launchApplicationAtPath(const QString& path, const QStringList& arguments) override;
    double nameWidth(const QString& name) override;
    void setClipboardText(const QString& text) override;
    bool resetPanicTrace(const QString& productID, qint64 locationID) override;

private:
    std::optional<std::shared_ptr<const platform::Bundle>> m_bundle;
};

// The update window's logic: the component list it shows, the two layouts as
// plain data, the table's answers, and what its controls do. Widgets
// (HVUpdatePopUpViewWidget.h) only show the layout and forward clicks and
// choices here. Entries are shared with the caller: choices are written into
// the caller's entry maps.
class HVUpdatePopUpView {
public:
    // Called once when a button ends the window, with the button's tag.
    using SheetEndHandler = std::function<void(int returnCode)>;

    // A name this wide or wider in the name font gets a tool tip.
    static constexpr double kToolTipWidth = 180;
    static constexpr double kHeadsetRowHeight = 85;
    static constexpr double kRowHeight = 50;
    static constexpr double kHeadsetRowOffset = 35;

    // The table layout; an absent list is an empty one.
    static std::unique_ptr<HVUpdatePopUpView>
    initWithList(const std::optional<HVComponentList>& list, bool willShowSettingBtn,
                 std::shared_ptr<HVUpdateWindowPlatform> platform);
    // The single-component layout of the first entry; nothing for an absent list.
    static std::unique_ptr<HVUpdatePopUpView>
    initWithList(const std::optional<HVComponentList>& list,
                 std::shared_ptr<HVUpdateWindowPlatform> platform);

    // Drops "HV1000" and "HV1002" while "HV1001" is in the list (in place).
    static HVComponentList& removeVantorTargets(HVComponentList& list);

    HVUpdatePopUpView(const HVUpdatePopUpView&) = delete;
    HVUpdatePopUpView& operator=(const HVUpdatePopUpView&) = delete;

    const HVComponentList& compList() const { return m_compList; }
    bool isSettingBtnRequired() const { return m_isSettingRequired; }
    void setIsSettingBtnRequired(bool value) { m_isSettingRequired = value; }
    bool isLanguageSupported() const { return m_isLangSupported; }
    void setIsLanguageSupported(bool value) { m_isLangSupported = value; }
    bool isRegionSupported() const { return m_isRegSupported; }
    void setIsRegionSupported(bool value) { m_isRegSupported = value; }
    double heightOfTable() const { return m_tableHeight; }
    void setHeightOfTable(double value) { m_tableHeight = value; }

    // Builds the table layout (and with it every cell, writing the default
    // choices into the entries).
    void configureCustomizeAlert();
    // Builds the single-component layout.
    void configureDeviceUpdateAlert();
    bool isTableLayout() const { return m_tableLayout.has_value(); }
    const std::optional<HVTableLayout>& tableLayout() const { return m_tableLayout; }
    const std::optional<HVSingleLayout>& singleLayout() const { return m_singleLayout; }

    // Table answers.
    qsizetype numberOfRowsInTableView() const { return m_compList.size(); }
    double tableViewHeightOfRow(qsizetype row);
    std::optional<HVCellContent> tableViewViewForTableColumn(const QString& column, qsizetype row);
    bool tableViewShouldEditTableColumn(const QString&, qsizetype) const { return false; }
    bool tableViewShouldSelectRow(qsizetype) const { return true; }
    bool tableViewShouldSelectTableColumn(const QString&) const { return true; }

    // Choices from a pop-up with a tag (a row number) and the chosen title.
    void didSelectLang(int tag, const QString& title);
    void didSelectRegion(int tag, const QString& title);
    // Starts the update of the entry at the tag, then ends the window with it.
    void clickedUpdateButton(int tag);
    // Ends the window with the tag as return code (once; later presses do nothing).
    void alertButton(int tag);
    bool hasEnded() const { return m_ended; }
    void setSheetEndHandler(SheetEndHandler handler) { m_sheetEnd = std::move(handler); }

    // The cursor over a link.
    static Qt::CursorShape mouseEntered() { return Qt::PointingHandCursor; }
    static Qt::CursorShape mouseExited() { return Qt::ArrowCursor; }

    QString localized(const QString& key) const;

    // ---- The device error report -------------------------------------------------
    // The same window, made by its own initialiser for a device's error-report
    // dictionary (HVPanicTraceReport.h): the report text in a scrolling view and
    // Copy (1002), Reset (1001) and Close (1000). An absent or empty dictionary
    // leaves the window empty.
    static std::unique_ptr<HVUpdatePopUpView>
    initWithPanicTraceInfo(const QVariantMap& info,
                           std::shared_ptr<HVUpdateWindowPlatform> platform);
    // Builds the report (at the current time) and its layout.
    void showPanicTraceInfo(const QVariantMap& info);
    void copyPanicTrace();
    void resetPanicTrace();
    const std::optional<HVPanicTraceLayout>& panicTraceLayout() const { return m_panicLayout; }

    QString panicTraceMsg() const { return m_panicTraceMessage; }
    void setPanicTraceMsg(const QString& value) { m_panicTraceMessage = value; }
    QString prodIdForPanicTrace() const { return m_productIdForPanicTrace; }
    void setProdIdForPanicTrace(const QString& value) { m_productIdForPanicTrace = value; }
    qint64 locIdForPanicTrace() const { return m_locationIdForPanicTrace; }
    void setLocIdForPanicTrace(qint64 value) { m_locationIdForPanicTrace = value; }

private:
    explicit HVUpdatePopUpView(std::shared_ptr<HVUpdateWindowPlatform> platform);
    void takeList(const std::optional<HVComponentList>& list, const QString& tracePrefix);
    HVComponentEntry entryAt(qsizetype row) const;
    HVPictureItem pictureFor(const HVComponentEntry& entry, const QString& pictureName,
                             const QString& traceName, const HVRect& frame) const;
    std::optional<HVPopUpItem> languagePopUp(const HVComponentEntry& entry, int tag,
                                             const HVRect& frame, const QString& notFoundTrace,
                                             int selectedSeverity);
    std::optional<HVPopUpItem> regionPopUp(const HVComponentEntry& entry, int tag,
                                           const HVRect& frame, int selectedSeverity);

    std::shared_ptr<HVUpdateWindowPlatform> m_platform;
    std::shared_ptr<const platform::Bundle> m_bundle;
    HVComponentList m_compList;
    bool m_isSettingRequired = false;
    bool m_isLangSupported = false;
    bool m_isRegSupported = false;
    double m_tableHeight = 0;
    bool m_ended = false;
    SheetEndHandler m_sheetEnd;
    std::optional<HVTableLayout> m_tableLayout;
    std::optional<HVSingleLayout> m_singleLayout;
    std::optional<HVPanicTraceLayout> m_panicLayout;
    QString m_panicTraceMessage;
    QString m_productIdForPanicTrace;
    qint64 m_locationIdForPanicTrace = 0;
};
