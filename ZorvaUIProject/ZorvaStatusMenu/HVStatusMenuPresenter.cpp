#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuPresenter.h"

#include "Platform/widgets/Pictures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidgetAction>

// ---- HVPictureCache -------------------------------------------------------------

HVPictureCache::HVPictureCache(QString resourcePath) : m_resourcePath(std::move(resourcePath)) {}

QString HVPictureCache::pathFor(const QString& name) const {
    if (m_resourcePath.isEmpty() || name.isEmpty()) {
        return QString();
    }
    QString file = name;
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QStringLiteral(".png");
    }
    const QString path = QDir(m_resourcePath).filePath(file);
    return QFileInfo::exists(path) ? path : QString();
}

QPixmap HVPictureCache::picture(const QString& name) {
    const auto found = m_pictures.constFind(name);
    if (found != m_pictures.constEnd()) {
        return *found;
    }
    // An unreadable file gives a null pixmap.
    const QPixmap pixmap = QPixmap::fromImage(platform::readPicture(pathFor(name)));
    m_pictures.insert(name, pixmap);
    return pixmap;
}

QIcon HVPictureCache::icon(const QString& name) {
    const auto found = m_icons.constFind(name);
    if (found != m_icons.constEnd()) {
        return *found;
    }
    const QPixmap pixmap = picture(name);
    const QIcon result = pixmap.isNull() ? QIcon() : QIcon(pixmap);
    m_icons.insert(name, result);
    return result;
}

QIcon HVPictureCache::batteryIcon(const QString& levelPicture, bool charging) {
    const QString key = levelPicture + (charging ? QStringLiteral("+charging") : QString());
    const auto found = m_icons.constFind(key);
    if (found != m_icons.constEnd()) {
        return *found;
    }
    QPixmap level = picture(levelPicture);
    QIcon result;
    if (!level.isNull()) {
        if (charging) {
            const QPixmap mark = picture(QStringLiteral("Battery_charging.png"));
            QPixmap composed(level.size());
            composed.fill(Qt::transparent);
            QPainter painter(&composed);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(0, 0, level);
            if (!mark.isNull()) {
                const int side = level.height() * 4 / 5;
                painter.drawPixmap(
                    QRect((level.width() - side) / 2, (level.height() - side) / 2, side, side),
                    mark);
            }
            painter.end();
            level = composed;
        }
        result = QIcon(level);
    }
    m_icons.insert(key, result);
    return result;
}

// ---- HVBatteryViewWidget -----------------------------------------------------

HVBatteryViewWidget::HVBatteryViewWidget(std::shared_ptr<HVPictureCache> pictures, QWidget* parent)
    : QWidget(parent), m_pictures(std::move(pictures)) {
    setAttribute(Qt::WA_TranslucentBackground, false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); // width follows the menu
}

void HVBatteryViewWidget::setView(const HVBatteryView& view) {
    if (view == m_view) {
        return;
    }
    const bool resized = view.container.size() != m_view.container.size();
    m_view = view;
    if (resized) {
        updateGeometry();
    }
    update();
}

QSize HVBatteryViewWidget::sizeHint() const {
    return QSize(qRound(m_view.container.width()), qRound(m_view.container.height()));
}

void HVBatteryViewWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const double height = m_view.container.height();
    QFont font = QApplication::font("QMenu");
    font.setPixelSize(14); // the menu font at 13.5 points
    painter.setFont(font);
    painter.setPen(QColor(Qt::gray));
    painter.drawText(HVStatusMenuLayout::toTopLeft(m_view.nameLabel, height),
                     Qt::AlignLeft | Qt::AlignVCenter, m_view.name);
    auto drawCentred = [&](const QRectF& frame, const QPixmap& pixmap) {
        if (pixmap.isNull()) {
            return;
        }
        const QRectF box = HVStatusMenuLayout::toTopLeft(frame, height);
        const QSizeF size = pixmap.deviceIndependentSize();
        painter.drawPixmap(QPointF(box.x() + (box.width() - size.width()) / 2,
                                   box.y() + (box.height() - size.height()) / 2),
                           pixmap);
    };
    if (m_view.chargingPicture) {
        drawCentred(*m_view.chargingPicture,
                    m_pictures->picture(QStringLiteral("Battery_charging.png")));
    }
    if (m_view.batteryPicture) {
        drawCentred(*m_view.batteryPicture, m_pictures->picture(m_view.batteryImage));
    }
    if (m_view.percentageLabel) {
        painter.drawText(HVStatusMenuLayout::toTopLeft(*m_view.percentageLabel, height),
                         Qt::AlignRight | Qt::AlignVCenter, m_view.percentageText);
    }
}

void HVBatteryViewWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
}

// ---- HVStatusMenuPresenter -----------------------------------------------------

struct HVStatusMenuPresenter::Entry {
    std::unique_ptr<QAction> action;
    HVBatteryViewWidget* widget = nullptr; // owned by the QWidgetAction
    HVMenuItem item;
    bool isWidget = false;
};

HVStatusMenuPresenter::HVStatusMenuPresenter(QMenu& menu, Style style,
                                             std::shared_ptr<HVPictureCache> pictures,
                                             Handler handler)
    : m_menu(menu), m_style(style), m_pictures(std::move(pictures)), m_handler(std::move(handler)) {
}

HVStatusMenuPresenter::~HVStatusMenuPresenter() = default;

QString HVStatusMenuPresenter::exportedTitle(const HVMenuItem& item) {
    if (!item.view) {
        return item.title;
    }
    if (item.view->percentageText.isEmpty()) {
        return item.view->name;
    }
    return item.view->name + QStringLiteral("  ") + item.view->percentageText;
}

QString HVStatusMenuPresenter::actionText(const QString& title) {
    QString text = title;
    return text.replace(u'&', QStringLiteral("&&"));
}

QString HVStatusMenuPresenter::dbusMenuLabel(const QString& title) {
    QString label = title;
    return label.replace(u'_', QStringLiteral("__"));
}

QString HVStatusMenuPresenter::textForQtExporter(const QString& dbusMenuLabel) {
    QString text = dbusMenuLabel;
    const qsizetype first = text.indexOf(u'&');
    if (first >= 0 && first + 1 < text.size()) {
        text.insert(first, u'&');
    }
    return text;
}

bool HVStatusMenuPresenter::wantsWidget(const HVMenuItem& item) const {
    return m_style == Style::Popup && item.view.has_value();
}

std::unique_ptr<HVStatusMenuPresenter::Entry>
HVStatusMenuPresenter::makeEntry(const HVMenuItem& item) {
    auto entry = std::make_unique<Entry>();
    entry->isWidget = wantsWidget(item);
    if (entry->isWidget) {
        auto action = std::make_unique<QWidgetAction>(nullptr);
        auto widget = std::make_unique<HVBatteryViewWidget>(m_pictures);
        entry->widget = widget.get();
        QAction* raw = action.get();
        QObject::connect(widget.get(), &HVBatteryViewWidget::clicked, raw, [this, raw] {
            if (raw->isEnabled()) {
                m_menu.close();
                raw->trigger();
            }
        });
        action->setDefaultWidget(widget.release());
        entry->action = std::move(action);
    } else {
        entry->action = std::make_unique<QAction>();
    }
    entry->action->setSeparator(item.isSeparator);
    QAction* raw = entry->action.get();
    QObject::connect(raw, &QAction::triggered, raw, [this, raw] { triggered(raw); });
    ++m_actionsCreated;
    update(*entry, item, true);
    return entry;
}

namespace {

// The picture an item shows as its icon.
struct IconChoice {
    QString name;
    bool battery = false; // a level picture, with the charging mark when charging
    bool charging = false;
    bool operator==(const IconChoice&) const = default;
};

} // namespace

void HVStatusMenuPresenter::update(Entry& entry, const HVMenuItem& item, bool fresh) {
    QAction& action = *entry.action;
    const HVMenuItem& old = entry.item;
    if (item.isSeparator) {
        entry.item = item;
        return;
    }
    const bool exported = m_style == Style::Exported;
    const QString title = exported ? exportedTitle(item) : item.title;
    if (fresh || title != (exported ? exportedTitle(old) : old.title)) {
        action.setText(exported ? textForQtExporter(dbusMenuLabel(title)) : actionText(title));
        ++m_propertyChanges;
    }
    if (fresh || item.isEnabled() != old.isEnabled()) {
        action.setEnabled(item.isEnabled());
        ++m_propertyChanges;
    }
    if (fresh || item.tag != old.tag) {
        action.setData(item.tag);
        ++m_propertyChanges;
    }
    auto iconOf = [exported](const HVMenuItem& of) {
        if (of.view) {
            // A view replaces the whole item, on-state mark included; exported, it
            // shows as its level picture.
            if (exported && of.view->batteryPicture) {
                return IconChoice{of.view->batteryImage, true, of.view->charging};
            }
            return IconChoice{};
        }
        if (of.state == 1 && !of.onStateImage.isEmpty()) {
            return IconChoice{of.onStateImage};
        }
        return IconChoice{};
    };
    const IconChoice icon = iconOf(item);
    if (fresh || icon != iconOf(old)) {
        if (icon.name.isEmpty()) {
            action.setIcon(QIcon());
        } else if (icon.battery) {
            action.setIcon(m_pictures->batteryIcon(icon.name, icon.charging));
        } else {
            action.setIcon(m_pictures->icon(icon.name));
        }
        ++m_propertyChanges;
    }
    if (entry.widget && item.view && (fresh || item.view != old.view)) {
        entry.widget->setView(*item.view);
        ++m_propertyChanges;
    }
    entry.item = item;
}

void HVStatusMenuPresenter::setMenu(const HVStatusMenu& menu) {
    const auto& items = menu.items;
    size_t i = 0;
    while (i < items.size()) {
        const HVMenuItem& item = items[i];
        if (i >= m_entries.size()) {
            auto entry = makeEntry(item);
            m_menu.addAction(entry->action.get());
            m_entries.push_back(std::move(entry));
            ++i;
            continue;
        }
        Entry& entry = *m_entries[i];
        if (entry.item.isSeparator == item.isSeparator && entry.isWidget == wantsWidget(item)) {
            update(entry, item, false);
            ++i;
            continue;
        }
        // A different kind of item here: while the old menu is longer, take the
        // old one out (an item went away); otherwise put the new one in.
        if (m_entries.size() - i > items.size() - i) {
            m_menu.removeAction(entry.action.get());
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        auto inserted = makeEntry(item);
        m_menu.insertAction(entry.action.get(), inserted->action.get());
        m_entries.insert(m_entries.begin() + static_cast<std::ptrdiff_t>(i), std::move(inserted));
        ++i;
    }
    while (m_entries.size() > items.size()) {
        m_menu.removeAction(m_entries.back()->action.get());
        m_entries.pop_back();
    }
}

void HVStatusMenuPresenter::triggered(QAction* action) {
    for (const auto& entry : m_entries) {
        if (entry->action.get() == action) {
            if (!entry->item.isEnabled()) {
                return; // separators and items without a command do nothing
            }
            const HVMenuItem item = entry->item;
            if (m_handler) {
                m_handler(item);
            }
            return;
        }
    }
}
