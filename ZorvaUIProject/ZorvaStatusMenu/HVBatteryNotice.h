#pragma once

#include "Platform/DesktopNotifications.h"
#include "ZorvaUIProject/ZorvaStatusMenu/HVStatusMenuModel.h"

#include <QHash>
#include <QString>
#include <chrono>
#include <optional>
#include <vector>

// When to tell the user that a headset's battery runs low, as plain data.
//
// A headset is low while its battery record carries the low flag (the flag that
// switches the status icon, HVStatusMenuLayout::isBatteryLow) and it is not
// charging. Each headset gets one notification per low episode: the first
// report that finds it low posts one; later low reports post nothing. The
// episode ends when a report finds the headset charging or no longer low.
//
// A headset is known by its name and location ID, as the registry matches
// device records. A headset that leaves the reports (detached, or attached
// again without a battery report yet) keeps its episode for the quiet period:
// back and still low within it, it gets no second notification; back after
// it, it counts as a new episode. A later notification for a headset replaces
// its earlier one on the desktop: it carries the id the notification server
// gave the earlier one (delivered()).
struct HVBatteryAlert {
    QString headset; // HVBatteryNotice::headsetKey
    QString name;
    int hsBatteryPCT = 0;
    quint32 replacesId = 0; // 0: a new notification
    bool operator==(const HVBatteryAlert&) const = default;
};

// The texts of a low-battery notification; "%1" stands for the headset's name
// in the summary and for the percentage in the body.
struct HVBatteryAlertTexts {
    QString appName = QStringLiteral("Zorva menu bar item");
    QString summary = QStringLiteral("%1: battery low");
    QString body = QStringLiteral("%1% left. Charge the headset soon.");
    QString bodyWithoutLevel = QStringLiteral("Charge the headset soon.");
};

class HVBatteryNotice {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kQuietPeriod = std::chrono::minutes(10);

    explicit HVBatteryNotice(Clock::duration quietPeriod = kQuietPeriod)
        : m_quietPeriod(quietPeriod) {}

    // The devices of one report, in menu order (unnamed devices and devices
    // without a battery count as absent); answers the notifications to post now.
    std::vector<HVBatteryAlert> report(const std::vector<HVMenuDevice>& devices,
                                       Clock::time_point now);
    // The notification server answered a headset's notification with this id.
    void delivered(const QString& headset, quint32 notificationId);

    static QString headsetKey(const HVMenuDevice& device);

    // The notification for an alert: critical urgency, the battery-low picture
    // (a file path, may be empty) as its image, the installed program icon.
    static platform::DesktopNotification notification(const HVBatteryAlert& alert,
                                                      const HVBatteryAlertTexts& texts,
                                                      const QString& pictureFile);

private:
    struct Headset {
        bool notified = false; // inside a low episode that was notified
        std::optional<Clock::time_point> goneSince;
        quint32 notificationId = 0;
    };

    Clock::duration m_quietPeriod;
    QHash<QString, Headset> m_headsets;
};
