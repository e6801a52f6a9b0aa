#include "ZorvaUIProject/ZorvaStatusMenu/HVBatteryNotice.h"

#include <QSet>
#include <QUrl>

namespace {

// A translation that lost its placeholder still shows, without the value.
QString filled(const QString& text, const QString& value) {
    return text.contains(QLatin1String("%1")) ? text.arg(value) : text;
}

} // namespace

QString HVBatteryNotice::headsetKey(const HVMenuDevice& device) {
    return device.name + QLatin1Char('\n') + QString::number(device.lid);
}

std::vector<HVBatteryAlert> HVBatteryNotice::report(const std::vector<HVMenuDevice>& devices,
                                                    Clock::time_point now) {
    std::vector<HVBatteryAlert> alerts;
    QSet<QString> present;
    for (const auto& device : devices) {
        if (device.name.isNull() || !device.batteryInfo) {
            continue;
        }
        const QString key = headsetKey(device);
        if (present.contains(key)) {
            continue; // the registry holds it twice; one notification is enough
        }
        present.insert(key);
        Headset& headset = m_headsets[key];
        if (headset.goneSince && now - *headset.goneSince >= m_quietPeriod) {
            headset.notified = false;
        }
        headset.goneSince.reset();
        const bool low =
            HVStatusMenuLayout::isBatteryLow(device) && !device.batteryInfo->isCharging;
        if (!low) {
            headset.notified = false;
        } else if (!headset.notified) {
            headset.notified = true;
            alerts.push_back(
                {key, device.name, device.batteryInfo->hsBatteryPCT, headset.notificationId});
        }
    }
    for (auto it = m_headsets.begin(); it != m_headsets.end();) {
        Headset& headset = it.value();
        if (present.contains(it.key())) {
            ++it;
            continue;
        }
        if (!headset.goneSince) {
            headset.goneSince = now;
        }
        // Nothing left to remember once the quiet period is over and no
        // notification of its own is on the desktop to replace.
        if (now - *headset.goneSince >= m_quietPeriod && headset.notificationId == 0) {
            it = m_headsets.erase(it);
        } else {
            ++it;
        }
    }
    return alerts;
}

void HVBatteryNotice::delivered(const QString& headset, quint32 notificationId) {
    const auto found = m_headsets.find(headset);
    if (found != m_headsets.end()) {
        found->notificationId = notificationId;
    }
}

platform::DesktopNotification HVBatteryNotice::notification(const HVBatteryAlert& alert,
                                                            const HVBatteryAlertTexts& texts,
                                                            const QString& pictureFile) {
    platform::DesktopNotification result;
    result.appName = texts.appName;
    result.replacesId = alert.replacesId;
    result.appIcon = QStringLiteral("com.zorva.ZorvaStatusMenu");
    result.summary = filled(texts.summary, alert.name);
    result.body = alert.hsBatteryPCT > 0 ? filled(texts.body, QString::number(alert.hsBatteryPCT))
                                         : texts.bodyWithoutLevel;
    result.urgency = platform::DesktopNotification::Urgency::Critical;
    if (!pictureFile.isEmpty()) {
        result.imagePath = QUrl::fromLocalFile(pictureFile).toString();
    }
    result.category = QStringLiteral("device");
    result.desktopEntry = QStringLiteral("com.zorva.ZorvaStatusMenu");
    return result;
}
