#include "ZorvaUIProject/Zorva/Hyperlink.h"

#include <QGuiApplication>
#include <QScreen>

HVLinkText Hyperlink::hyperlinkFromString(const QString& text, const QUrl& withURL) {
    HVLinkText link;
    link.text = text;
    link.link = withURL;
    return link;
}

std::optional<HVLinkField> Hyperlink::addHyperLinkText(const QString& text, const QString& forURL,
                                                       const HVRect& rect) {
    if (text.isNull() || forURL.isEmpty()) {
        return std::nullopt;
    }
    const QUrl url(forURL, QUrl::StrictMode);
    if (!url.isValid() || url.isRelative()) {
        return std::nullopt;
    }
    HVLinkField field;
    field.text = hyperlinkFromString(text, url);
    field.text.foreground = Qt::blue; // once more over the whole text: still simply blue
    field.frame = rect;
    return field;
}

std::optional<HVLinkField> Hyperlink::addHyperLinkText(const QString& text, const QString& forURL) {
    return addHyperLinkText(text, forURL, kDefaultFrame);
}

QColor CustomeColor::_blueAlternatingRowColor() {
    return QColor::fromRgbF(210.0f / 255.0f, 220.0f / 255.0f, 254.0f / 255.0f, 1.0f);
}

double Hyperlink::fontPointSize(double points) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
    return points * 72.0 / (dpi > 0 ? dpi : 96.0);
}
