#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusWindowsDefault.h"

#include "ZorvaUIProject/HVUpdatePopUpViewWidget.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace {

// A shown window as the controller's end handlers see it.
class WidgetSheet final : public HVStatusSheet {
public:
    explicit WidgetSheet(QWidget* widget) : m_widget(widget) {}
    void orderOut() override {
        if (m_widget) {
            m_widget->hide();
        }
    }

private:
    QPointer<QWidget> m_widget;
};

QMessageBox::Icon iconForStyle(int alertStyle) {
    switch (alertStyle) {
    case 1:
        return QMessageBox::Information;
    case 2:
        return QMessageBox::Critical;
    default:
        return QMessageBox::Warning;
    }
}

} // namespace

std::unique_ptr<QMessageBox> HVStatusWindowsDefault::makeMessageBox(const HVAlert& alert,
                                                                    Qt::WindowModality modality) {
    auto box = std::make_unique<QMessageBox>();
    // Before the flags: a message box sets its flags afresh with the modality.
    box->setWindowModality(modality);
    box->setWindowTitle(alert.windowTitle);
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    const QPixmap icon(alert.iconPath);
    if (icon.isNull()) {
        box->setIcon(iconForStyle(alert.alertStyle));
    } else {
        box->setIconPixmap(icon.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    // An alert without buttons still gets the one the platform adds: "OK".
    const QStringList titles =
        alert.buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : alert.buttons;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        QPushButton* button = box->addButton(titles[i], QMessageBox::AcceptRole);
        button->setProperty("returnCode", kAlertFirstButtonReturn + i);
        if (i == 0) {
            box->setDefaultButton(button);
        }
    }
    // A window level of its own: above the other windows.
    if (alert.windowLevel) {
        box->setWindowFlags(box->windowFlags() | Qt::WindowStaysOnTopHint);
    }
    return box;
}

qint64 HVStatusWindowsDefault::returnCodeOf(const QMessageBox& box) {
    const QAbstractButton* button = box.clickedButton();
    const QVariant code = button ? button->property("returnCode") : QVariant();
    // Closed by the window manager: as if the first button was pressed.
    return code.isValid() ? code.toLongLong() : kAlertFirstButtonReturn;
}

void HVStatusWindowsDefault::record(QWidget* window, const QString& kind,
                                    const QStringList& description) {
    const QString folder = qEnvironmentVariable("ZORVA_WINDOW_RECORD");
    if (folder.isEmpty() || !window) {
        return;
    }
    // Once the window has been laid out for showing.
    QTimer::singleShot(0, window, [window, folder, kind, description] {
        static int count = 0;
        QDir().mkpath(folder);
        const QString name = QStringLiteral("%1-%2").arg(++count).arg(kind);
        window->grab().save(folder + u'/' + name + QStringLiteral(".png"), "PNG");
        QFile list(folder + QStringLiteral("/windows.txt"));
        if (list.open(QIODevice::Append | QIODevice::Text)) {
            list.write((QStringList{name} + description).join(u'|').toUtf8() + '\n');
        }
        // <name>.press holding "<button text>" or "<button text>#<n>" presses the
        // first (or n-th, from 0) visible button with that text.
        auto* poll = new QTimer(window);
        QObject::connect(poll, &QTimer::timeout, window,
                         [window, press = folder + u'/' + name + QStringLiteral(".press")] {
                             QFile file(press);
                             if (!file.open(QIODevice::ReadOnly)) {
                                 return;
                             }
                             const QString request = QString::fromUtf8(file.readAll()).trimmed();
                             file.remove();
                             const QString label = request.section(u'#', 0, 0);
                             const int index = request.section(u'#', 1, 1).toInt();
                             QList<QAbstractButton*> matching;
                             for (QAbstractButton* button :
                                  window->findChildren<QAbstractButton*>()) {
                                 if (button->isVisible() && button->text() == label) {
                                     matching << button;
                                 }
                             }
                             if (index < matching.size()) {
                                 matching[index]->click();
                             }
                         });
        poll->start(100);
    });
}

namespace {

QStringList describe(const HVAlert& alert) {
    return {alert.windowTitle, alert.messageText, alert.informativeText, alert.buttons.join(u'+')};
}

} // namespace

qint64 HVStatusWindowsDefault::runModal(const HVAlert& alert) {
    auto box = makeMessageBox(alert, Qt::ApplicationModal);
    record(box.get(), QStringLiteral("alert"), describe(alert));
    box->exec();
    return returnCodeOf(*box);
}

void HVStatusWindowsDefault::beginAlertSheet(const HVAlert& alert, HVSheetEndHandler didEnd) {
    QMessageBox* box = makeMessageBox(alert, Qt::NonModal).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QDialog::finished, box, [box, didEnd = std::move(didEnd)](int) {
        WidgetSheet sheet(box);
        if (didEnd) {
            didEnd(sheet, returnCodeOf(*box));
        }
    });
    box->show();
    record(box, QStringLiteral("alert"), describe(alert));
}

void HVStatusWindowsDefault::beginUpdateWindow(const std::optional<HVComponentList>& list,
                                               bool willShowSettingBtn, HVSheetEndHandler didEnd) {
    // The window is known to the end handler once it has been made.
    auto shown = std::make_shared<QPointer<QWidget>>();
    QPointer<HVUpdatePopUpViewWidget> window = HVUpdatePopUpViewWidget::beginSheetWithList(
        list, willShowSettingBtn, [shown, didEnd = std::move(didEnd)](int returnCode) {
            WidgetSheet sheet(*shown);
            if (didEnd) {
                didEnd(sheet, returnCode);
            }
        });
    if (!window) {
        return;
    }
    *shown = window.data();
    QStringList description{window->windowTitle()};
    for (const auto& entry : window->view().compList()) {
        description << HVComponentUpdateList::componentName(entry);
    }
    record(window, QStringLiteral("update-window"), description);
}
