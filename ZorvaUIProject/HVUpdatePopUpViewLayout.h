#pragma once

#include "ZorvaUIProject/Zorva/Hyperlink.h"

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <optional>

// The update window as plain data: frames, columns, cells, buttons and
// pictures, computed by HVUpdatePopUpView and shown by a thin widget layer
// (HVUpdatePopUpViewWidget.h). Frames are (x, y, width, height) in points with
// the origin at the lower left of their container, y growing upwards;
// toTopLeft() is the one place that turns them into the widgets' top-left
// coordinates.

// A frame in a container of the given height, in top-left coordinates.
QRectF toTopLeft(const HVRect& frame, double containerHeight);

// Return codes of the window's buttons.
namespace HVUpdateWindowTags {
inline constexpr int kClose = 1000; // "Close" and "Not now"
inline constexpr int kSettings = 1001;
inline constexpr int kUpdateNow = 0;
} // namespace HVUpdateWindowTags

enum class HVTextFont {
    System,     // the system font at the system size
    BoldSystem, // bold system font at the system size
    BoldName,   // bold system font at 11.75 points
    SmallSystem // system font two points below the system size
};

enum class HVTextAlignment { Left, Center };

struct HVTextItem {
    QString text;
    HVRect frame;
    HVTextFont font = HVTextFont::BoldSystem;
    HVTextAlignment alignment = HVTextAlignment::Left;
    bool elideRight = false;
    QString toolTip; // null: none
    bool operator==(const HVTextItem&) const = default;
};

enum class HVButtonAction { AlertButton, ClickedUpdateButton, CopyPanicTrace, ResetPanicTrace };

struct HVButtonItem {
    QString title;
    int tag = 0;
    HVRect frame;
    bool highlighted = false; // the default button
    HVButtonAction action = HVButtonAction::AlertButton;
    QString imagePath; // a picture left of the title; null: none
    bool operator==(const HVButtonItem&) const = default;
};

// Where a picture comes from.
enum class HVPictureSource {
    None,         // nothing could be loaded
    StatePng,     // "DefaultFWUDevice" png for an entry in state 3
    Png,          // the picture's own png
    Encrypted,    // the picture's own encrypted file
    DefaultDevice // the encrypted "DefaultDevice", for a picture missing in both forms
};

struct HVPictureItem {
    HVPictureSource source = HVPictureSource::None;
    QString name;     // the picture name chosen for the entry
    QString path;     // the file read
    QByteArray bytes; // decrypted bytes (encrypted sources); png sources load from path
    HVRect frame;
    bool operator==(const HVPictureItem&) const = default;
};

enum class HVPopUpAction { SelectLanguage, SelectRegion };

struct HVPopUpItem {
    QStringList items;
    int selectedIndex = -1; // -1: none selected
    int tag = 0;
    HVRect frame;
    HVPopUpAction action = HVPopUpAction::SelectLanguage;
    bool operator==(const HVPopUpItem&) const = default;
};

// One cell of the table: a view of (0, 0, 600, 50) holding what the column
// shows for the row. An empty cell holds nothing.
struct HVCellContent {
    std::optional<HVPictureItem> picture;
    QList<HVTextItem> texts;
    std::optional<HVLinkField> link;
    std::optional<HVButtonItem> button;
    std::optional<HVPopUpItem> popUp;
    bool isEmpty() const { return !picture && texts.isEmpty() && !link && !button && !popUp; }
    bool operator==(const HVCellContent&) const = default;
};

struct HVColumnItem {
    QString identifier;
    double width = 0;
    QString header;
    bool operator==(const HVColumnItem&) const = default;
};

// The columns in their order; "langColumn" and "regColumn" only when asked for.
QList<HVColumnItem> tableColumns(bool withLanguage, bool withRegion);

// Window and scroll view of the table layout for n rows of total height H
// and a column width sum W.
struct HVTableGeometry {
    HVRect scrollFrame;
    HVRect windowFrame;
    bool verticalScroller = false;
    bool fitted = false; // the n < 4 case
    bool operator==(const HVTableGeometry&) const = default;
};
HVTableGeometry tableGeometry(qsizetype n, double H, double W);

struct HVTableLayout {
    QString title;
    QList<HVColumnItem> columns;
    double W = 0;
    HVTableGeometry geometry;
    QList<double> rowHeights;
    QList<QList<HVCellContent>> cells; // [row][column]
    QList<HVButtonItem> buttons;
};

// Frames of the single-component layout by whether the window offers
// languages (L) and regions (R).
struct HVSingleGeometry {
    HVRect window, picture, message, link;
    std::optional<HVRect> languageLabel, languagePopUp, regionLabel, regionPopUp;
    HVRect notNow, updateNow;
};
HVSingleGeometry singleGeometry(bool L, bool R);

struct HVSingleLayout {
    QString title;
    HVRect windowFrame;
    bool empty = true; // no usable first entry: nothing laid out
    std::optional<HVPictureItem> picture;
    std::optional<HVTextItem> message;
    std::optional<HVLinkField> link;
    std::optional<HVTextItem> languageLabel;
    std::optional<HVPopUpItem> languagePopUp;
    std::optional<HVTextItem> regionLabel;
    std::optional<HVPopUpItem> regionPopUp;
    QList<HVButtonItem> buttons;
};

// The device error report: a fixed window of (0, 0, 260, 280) with the report
// in a read-only scrolling text view and three buttons, added in the order
// Close (1000, highlighted), Reset (1001), Copy (1002).
namespace HVPanicTraceTags {
inline constexpr int kClose = 1000;
inline constexpr int kReset = 1001;
inline constexpr int kCopy = 1002;
} // namespace HVPanicTraceTags

struct HVPanicTraceLayout {
    HVRect windowFrame;
    HVRect scrollFrame;
    QString text;
    QList<HVButtonItem> buttons;
};
HVPanicTraceLayout panicTraceLayout(const QString& text);
