#include "ZorvaUIProject/Zorva/HyperlinkLabel.h"

#include <QMouseEvent>

HyperlinkLabel::HyperlinkLabel(const HVLinkText& link, Opener opener, QWidget* parent)
    : QLabel(link.text, parent), m_link(link.link), m_opener(std::move(opener)) {
    QFont font = this->font();
    font.setPointSizeF(Hyperlink::fontPointSize(link.pointSize));
    font.setUnderline(link.underlineStyle != 0);
    setFont(font);
    QPalette palette = this->palette();
    // Inside an item view a label draws with the Text role, elsewhere with WindowText.
    palette.setColor(QPalette::WindowText, link.foreground);
    palette.setColor(QPalette::Text, link.foreground);
    setPalette(palette);
    setAutoFillBackground(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCursor(Qt::PointingHandCursor);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    // Taken here so that the release comes here too.
    event->accept();
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        m_opener) {
        m_opener(m_link);
    }
    event->accept();
}
