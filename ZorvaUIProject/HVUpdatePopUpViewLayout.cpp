#include "ZorvaUIProject/HVUpdatePopUpViewLayout.h"

QRectF toTopLeft(const HVRect& frame, double containerHeight) {
    return QRectF(frame.x, containerHeight - frame.y - frame.height, frame.width, frame.height);
}

QList<HVColumnItem> tableColumns(bool withLanguage, bool withRegion) {
    QList<HVColumnItem> columns;
    columns.append({QStringLiteral("productColumn"), 80, QStringLiteral("Product")});
    columns.append({QStringLiteral("nameColumn"), 180, QStringLiteral("Name")});
    if (withLanguage) {
        columns.append({QStringLiteral("langColumn"), 120, QStringLiteral("Language")});
    }
    if (withRegion) {
        columns.append({QStringLiteral("regColumn"), 120, QStringLiteral("Region")});
    }
    columns.append({QStringLiteral("statusColumn"), 110, QStringLiteral("Status")});
    return columns;
}

HVTableGeometry tableGeometry(qsizetype n, double H, double W) {
    HVTableGeometry g;
    if (n < 4) {
        // Fitted to the rows: d grows by two points of spacing per row beyond the first.
        const double d = 2.0 * double(n) - 2.0;
        g.scrollFrame = {0, 40 + d, W, H + 20 + d};
        g.windowFrame = {0, 0, W, H + 80 + 2 * d};
        g.verticalScroller = false;
        g.fitted = true;
    } else {
        g.scrollFrame = {0, 45, W + 12, 175};
        g.windowFrame = {0, 0, W + 11, 240};
        g.verticalScroller = true;
        g.fitted = false;
    }
    return g;
}

HVSingleGeometry singleGeometry(bool L, bool R) {
    // Rows of the geometry table: heights and y for (L and R), (one of them), (neither).
    const int k = L && R ? 0 : (L || R ? 1 : 2);
    static constexpr double window[] = {200, 170, 150};
    static constexpr double picture[] = {105, 85, 65};
    static constexpr double link[] = {100, 70, 50};
    HVSingleGeometry g;
    g.window = {0, 0, 425, window[k]};
    g.picture = {15, picture[k], 70, 50};
    g.message = {100, picture[k] + (k == 0 ? 10 : 0), 325, 50};
    g.link = {100, link[k], 100, 25};
    if (L) {
        g.languageLabel = HVRect{100, R ? 65.0 : 35.0, 150, 40};
        g.languagePopUp = HVRect{235, R ? 75.0 : 45.0, 120, 40};
    }
    if (R) {
        g.regionLabel = HVRect{100, 35, 150, 40};
        g.regionPopUp = HVRect{187, 45, 120, 40};
    }
    g.notNow = {175, 0, 125, 45};
    g.updateNow = {310, 0, 100, 45};
    return g;
}

HVPanicTraceLayout panicTraceLayout(const QString& text) {
    HVPanicTraceLayout layout;
    layout.windowFrame = {0, 0, 260, 280};
    layout.scrollFrame = {10, 45, 240, 200};
    layout.text = text;
    layout.buttons = {
        {QStringLiteral("Close"),
         HVPanicTraceTags::kClose,
         {172, 0, 75, 45},
         true,
         HVButtonAction::AlertButton,
         QString()},
        {QStringLiteral("Reset"),
         HVPanicTraceTags::kReset,
         {85, 0, 75, 45},
         false,
         HVButtonAction::ResetPanicTrace,
         QString()},
        {QStringLiteral("Copy"),
         HVPanicTraceTags::kCopy,
         {5, 0, 75, 45},
         false,
         HVButtonAction::CopyPanicTrace,
         QString()},
    };
    return layout;
}
