#pragma once

#include <QColor>
#include <QString>
#include <QUrl>
#include <optional>

// Link text as plain data: what a clickable "Release notes" field shows and
// where it leads. A thin widget (HyperlinkLabel.h) draws it and opens the link
// in the user's web browser. Never instantiated.
struct HVRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const HVRect&) const = default;
};

// The style laid over the whole text of a link.
struct HVLinkText {
    QString text;
    QUrl link;                    // the absolute URL
    QColor foreground = Qt::blue; // the standard blue
    double pointSize = 13;        // the user's default text font at this size
    int underlineStyle = 1;       // single underline
    bool operator==(const HVLinkText&) const = default;
};

// A read-only, borderless, transparent field showing a link at a frame (lower
// left origin, in its parent).
struct HVLinkField {
    HVLinkText text;
    HVRect frame;
    bool operator==(const HVLinkField&) const = default;
};

class Hyperlink {
public:
    Hyperlink() = delete;

    // The frame of addHyperLinkText(text, url) without one.
    static constexpr HVRect kDefaultFrame{265, 54, 200, 24};

    static HVLinkText hyperlinkFromString(const QString& text, const QUrl& withURL);
    // A field for the text and URL; nothing when the text is null, or the URL
    // string is null, empty or not a valid URL.
    static std::optional<HVLinkField> addHyperLinkText(const QString& text, const QString& forURL,
                                                       const HVRect& rect);
    static std::optional<HVLinkField> addHyperLinkText(const QString& text, const QString& forURL);

    // The window's sizes are in points of one logical pixel each, fonts
    // included; a font of that size in Qt's points on the primary screen.
    static double fontPointSize(double points);
};

// The light blue row tint, sRGB (210, 220, 254) and opaque.
class CustomeColor {
public:
    CustomeColor() = delete;
    static QColor _blueAlternatingRowColor();
};
