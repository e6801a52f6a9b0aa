#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"

#include "Platform/widgets/Pictures.h"
#include "ZorvaUIProject/Zorva/HyperlinkLabel.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

constexpr int kHeaderHeight = 18;
constexpr double kNameFontSize = 11.75;

// A control of natural height centred in a taller frame, as push buttons and
// pop-ups draw themselves.
QRect centredIn(const QRectF& frame, int naturalHeight) {
    const int h = std::min(int(frame.height()), naturalHeight);
    const int top = int(frame.y() + (frame.height() - h) / 2);
    return QRect(int(frame.x()), top, int(frame.width()), h);
}

QFont fontFor(HVTextFont font) {
    QFont f = QApplication::font();
    switch (font) {
    case HVTextFont::System:
        break;
    case HVTextFont::BoldSystem:
        f.setBold(true);
        break;
    case HVTextFont::BoldName:
        f.setBold(true);
        f.setPointSizeF(Hyperlink::fontPointSize(kNameFontSize));
        break;
    case HVTextFont::SmallSystem:
        f.setPointSizeF(f.pointSizeF() - 2);
        break;
    }
    return f;
}

QPixmap pixmapFor(const HVPictureItem& picture) {
    QPixmap pixmap;
    switch (picture.source) {
    case HVPictureSource::None:
        break;
    case HVPictureSource::StatePng:
    case HVPictureSource::Png:
        pixmap = QPixmap::fromImage(platform::readPicture(picture.path));
        break;
    case HVPictureSource::Encrypted:
    case HVPictureSource::DefaultDevice:
        pixmap.loadFromData(picture.bytes); // from memory, never through a file
        break;
    }
    return pixmap;
}

} // namespace

HVUpdatePopUpViewWidget::HVUpdatePopUpViewWidget(std::unique_ptr<HVUpdatePopUpView> view,
                                                 std::shared_ptr<HVUpdateWindowPlatform> platform)
    : m_view(std::move(view)), m_platform(std::move(platform)) {
    // A status item has no main window: closing this one must not end it.
    setAttribute(Qt::WA_QuitOnClose, false);
    setModal(false);
    m_view->setSheetEndHandler([this](int returnCode) { done(returnCode); });
    if (const auto& table = m_view->tableLayout()) {
        buildTable(*table);
    } else if (const auto& single = m_view->singleLayout()) {
        buildSingle(*single);
    } else if (const auto& report = m_view->panicTraceLayout()) {
        buildPanicTrace(*report);
    }
}

HVUpdatePopUpViewWidget::~HVUpdatePopUpViewWidget() = default;

std::unique_ptr<HVUpdatePopUpViewWidget>
HVUpdatePopUpViewWidget::initWithList(const std::optional<HVComponentList>& list,
                                      bool willShowSettingBtn,
                                      std::shared_ptr<HVUpdateWindowPlatform> platform) {
    if (!platform) {
        platform = std::make_shared<HVUpdateWindowPlatformDefault>();
    }
    auto view = HVUpdatePopUpView::initWithList(list, willShowSettingBtn, platform);
    return std::unique_ptr<HVUpdatePopUpViewWidget>(
        new HVUpdatePopUpViewWidget(std::move(view), std::move(platform)));
}

std::unique_ptr<HVUpdatePopUpViewWidget>
HVUpdatePopUpViewWidget::initWithList(const std::optional<HVComponentList>& list,
                                      std::shared_ptr<HVUpdateWindowPlatform> platform) {
    if (!platform) {
        platform = std::make_shared<HVUpdateWindowPlatformDefault>();
    }
    auto view = HVUpdatePopUpView::initWithList(list, platform);
    if (!view) {
        return nullptr;
    }
    return std::unique_ptr<HVUpdatePopUpViewWidget>(
        new HVUpdatePopUpViewWidget(std::move(view), std::move(platform)));
}

std::unique_ptr<HVUpdatePopUpViewWidget>
HVUpdatePopUpViewWidget::initWithPanicTraceInfo(const QVariantMap& info,
                                                std::shared_ptr<HVUpdateWindowPlatform> platform) {
    if (!platform) {
        platform = std::make_shared<HVUpdateWindowPlatformDefault>();
    }
    auto view = HVUpdatePopUpView::initWithPanicTraceInfo(info, platform);
    return std::unique_ptr<HVUpdatePopUpViewWidget>(
        new HVUpdatePopUpViewWidget(std::move(view), std::move(platform)));
}

QPointer<HVUpdatePopUpViewWidget>
HVUpdatePopUpViewWidget::beginSheetWithList(const std::optional<HVComponentList>& list,
                                            bool willShowSettingBtn,
                                            std::function<void(int returnCode)> sheetEnd,
                                            std::shared_ptr<HVUpdateWindowPlatform> platform) {
    // From here on the window owns itself: it goes once it has ended.
    QPointer<HVUpdatePopUpViewWidget> window =
        initWithList(list, willShowSettingBtn, std::move(platform)).release();
    connect(window, &QDialog::finished, window,
            [window, handler = std::move(sheetEnd)](int returnCode) {
                if (handler) {
                    handler(returnCode);
                }
                if (window) {
                    window->deleteLater();
                }
            });
    window->beginSheet();
    return window;
}

void HVUpdatePopUpViewWidget::beginSheet() {
    show();
    raise();
    activateWindow();
}

void HVUpdatePopUpViewWidget::reject() {
    m_view->alertButton(HVUpdateWindowTags::kClose);
    if (isVisible()) {
        // Already ended by another button: just close.
        QDialog::done(result());
    }
}

void HVUpdatePopUpViewWidget::addButton(QWidget* parent, const HVButtonItem& item, double height) {
    auto* button = new QPushButton(item.title, parent);
    if (!item.imagePath.isNull()) {
        // Through a pixmap: the file is read once per process (the pixmap cache).
        button->setIcon(QIcon(QPixmap(item.imagePath)));
    }
    button->setAutoDefault(false);
    button->setDefault(item.highlighted);
    if (m_buttonHeight == 0) {
        m_buttonHeight = button->sizeHint().height();
    }
    button->setGeometry(centredIn(toTopLeft(item.frame, height), m_buttonHeight));
    const int tag = item.tag;
    switch (item.action) {
    case HVButtonAction::ClickedUpdateButton:
        connect(button, &QPushButton::clicked, this,
                [this, tag] { m_view->clickedUpdateButton(tag); });
        break;
    case HVButtonAction::CopyPanicTrace:
        connect(button, &QPushButton::clicked, this, [this] { m_view->copyPanicTrace(); });
        break;
    case HVButtonAction::ResetPanicTrace:
        connect(button, &QPushButton::clicked, this, [this] { m_view->resetPanicTrace(); });
        break;
    case HVButtonAction::AlertButton:
        connect(button, &QPushButton::clicked, this, [this, tag] { m_view->alertButton(tag); });
        break;
    }
}

void HVUpdatePopUpViewWidget::buildPanicTrace(const HVPanicTraceLayout& layout) {
    const double height = layout.windowFrame.height;
    setFixedSize(int(layout.windowFrame.width), int(height));
    // A read-only text that scrolls vertically and wraps at the view's width.
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("panicTraceText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setFrameShape(QFrame::Box);
    // The report starts with a line feed, as the copied text does.
    text->setPlainText(layout.text);
    text->setGeometry(toTopLeft(layout.scrollFrame, height).toRect());
    for (const HVButtonItem& button : layout.buttons) {
        addButton(this, button, height);
    }
}

void HVUpdatePopUpViewWidget::place(QWidget* parent, const HVCellContent& content, double height) {
    if (content.picture) {
        auto* label = new QLabel(parent);
        label->setGeometry(toTopLeft(content.picture->frame, height).toRect());
        const HVPictureItem& picture = *content.picture;
        // Rows often share a picture: load and scale each file once per size.
        const QString key =
            QStringLiteral("%1|%2x%3").arg(picture.path).arg(label->width()).arg(label->height());
        auto cached = m_pictures.constFind(key);
        if (cached == m_pictures.constEnd()) {
            QPixmap pixmap = pixmapFor(picture);
            if (!pixmap.isNull()) {
                pixmap =
                    pixmap.scaled(label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            }
            cached = m_pictures.insert(key, pixmap);
        }
        if (!cached->isNull()) {
            label->setPixmap(*cached);
        }
        label->setAlignment(Qt::AlignCenter);
    }
    for (const HVTextItem& text : content.texts) {
        auto* label = new QLabel(parent);
        label->setFont(fontFor(text.font));
        const QRectF frame = toTopLeft(text.frame, height);
        label->setGeometry(frame.toRect());
        label->setText(
            text.elideRight
                ? QFontMetricsF(label->font()).elidedText(text.text, Qt::ElideRight, frame.width())
                : text.text);
        label->setAlignment(
            Qt::AlignTop |
            (text.alignment == HVTextAlignment::Center ? Qt::AlignHCenter : Qt::AlignLeft));
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->setWordWrap(!text.elideRight);
        if (!text.toolTip.isNull()) {
            label->setToolTip(text.toolTip);
        }
    }
    if (content.link) {
        const auto platform = m_platform;
        auto* link = new HyperlinkLabel(
            content.link->text, [platform](const QUrl& url) { platform->openURL(url); }, parent);
        link->setGeometry(toTopLeft(content.link->frame, height).toRect());
    }
    if (content.button) {
        addButton(parent, *content.button, height);
    }
    if (content.popUp) {
        const HVPopUpItem& item = *content.popUp;
        auto* combo = new QComboBox(parent);
        combo->addItems(item.items);
        combo->setCurrentIndex(item.selectedIndex);
        if (m_popUpHeight == 0) {
            m_popUpHeight = combo->sizeHint().height();
        }
        combo->setGeometry(centredIn(toTopLeft(item.frame, height), m_popUpHeight));
        const int tag = item.tag;
        const bool language = item.action == HVPopUpAction::SelectLanguage;
        connect(combo, &QComboBox::textActivated, this,
                [this, tag, language](const QString& title) {
                    if (language) {
                        m_view->didSelectLang(tag, title);
                    } else {
                        m_view->didSelectRegion(tag, title);
                    }
                });
    }
}

QWidget* HVUpdatePopUpViewWidget::makeCell(const HVCellContent& cell, double width, double height) {
    auto* widget = new QWidget;
    widget->resize(int(width), int(height));
    place(widget, cell, height);
    return widget;
}

void HVUpdatePopUpViewWidget::buildTable(const HVTableLayout& layout) {
    setWindowTitle(layout.title);
    const HVRect& window = layout.geometry.windowFrame;
    setFixedSize(int(window.width), int(window.height));

    m_table = new QTableWidget(int(layout.cells.size()), int(layout.columns.size()), this);
    m_table->setGeometry(toTopLeft(layout.geometry.scrollFrame, window.height).toRect());
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(layout.geometry.verticalScroller ? Qt::ScrollBarAsNeeded
                                                                         : Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_table->verticalHeader()->hide();

    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setFixedHeight(kHeaderHeight);
    QFont headerFont = QApplication::font();
    headerFont.setBold(true);
    header->setFont(headerFont);
    header->setDefaultAlignment(Qt::AlignCenter);
    for (int c = 0; c < layout.columns.size(); ++c) {
        auto* item = new QTableWidgetItem(layout.columns.at(c).header);
        item->setFlags(Qt::ItemIsEnabled);
        m_table->setHorizontalHeaderItem(c, item);
        m_table->setColumnWidth(c, int(layout.columns.at(c).width));
    }
    for (int r = 0; r < layout.cells.size(); ++r) {
        const double height = layout.rowHeights.at(r);
        m_table->setRowHeight(r, int(height));
        for (int c = 0; c < layout.columns.size(); ++c) {
            const HVCellContent& cell = layout.cells.at(r).at(c);
            if (!cell.isEmpty()) {
                m_table->setCellWidget(r, c, makeCell(cell, layout.columns.at(c).width, height));
            }
        }
    }
    for (const HVButtonItem& button : layout.buttons) {
        addButton(this, button, window.height);
    }
}

void HVUpdatePopUpViewWidget::buildSingle(const HVSingleLayout& layout) {
    setWindowTitle(layout.title);
    const double height = layout.windowFrame.height;
    setFixedSize(int(layout.windowFrame.width), int(height));
    if (layout.empty) {
        return;
    }
    HVCellContent content;
    content.picture = layout.picture;
    if (layout.message) {
        content.texts.append(*layout.message);
    }
    if (layout.languageLabel) {
        content.texts.append(*layout.languageLabel);
    }
    if (layout.regionLabel) {
        content.texts.append(*layout.regionLabel);
    }
    content.link = layout.link;
    place(this, content, height);
    for (const auto& popUp : {layout.languagePopUp, layout.regionPopUp}) {
        if (popUp) {
            HVCellContent only;
            only.popUp = popUp;
            place(this, only, height);
        }
    }
    for (const HVButtonItem& button : layout.buttons) {
        addButton(this, button, height);
    }
}
