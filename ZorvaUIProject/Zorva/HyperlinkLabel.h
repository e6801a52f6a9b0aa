#pragma once

#include "ZorvaUIProject/Zorva/Hyperlink.h"

#include <QLabel>
#include <functional>

// Shows link text (Hyperlink.h) as a clickable label: blue, underlined, the
// pointing hand over it. A click hands the link to the opener (the web browser
// in the application, a recorder in tests).
class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    using Opener = std::function<void(const QUrl& url)>;

    HyperlinkLabel(const HVLinkText& link, Opener opener, QWidget* parent = nullptr);

    QUrl link() const { return m_link; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QUrl m_link;
    Opener m_opener;
};
