#pragma once

#include "Platform/Bundle.h"
#include "ZorvaUIProject/HVUpdatePopUpView.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QUrl>

namespace testsupport {

// The update window's platform for tests: the given bundle (the build's
// application bundle by default), every name 10 points wide, and browser,
// updater, clipboard and reset requests recorded.
class FakeUpdateWindowPlatform : public HVUpdateWindowPlatform {
public:
    std::shared_ptr<const platform::Bundle> resourceBundle() override { return bundle; }
    bool openURL(const QUrl& url) override {
        opened.append(url);
        return true;
    }
    bool launchApplicationAtPath(const QString& path, const QStringList& arguments) override {
        launched.append({path, arguments});
        return true;
    }
    double nameWidth(const QString&) override { return 10.0; }
    void setClipboardText(const QString& text) override { clipboard = text; }
    bool resetPanicTrace(const QString& productID, qint64 locationID) override {
        resets.append({productID, locationID});
        return resetReachesService;
    }

    std::shared_ptr<const platform::Bundle> bundle =
        platform::Bundle::bundleWithPath(QStringLiteral(ZORVA_BUNDLE_PATH));
    QList<QUrl> opened;
    QString clipboard;
    QList<QPair<QString, QStringList>> launched;
    QList<QPair<QString, qint64>> resets;
    bool resetReachesService = true;
};

// A component entry map in state `state` for a device with every key an update needs.
QVariantMap deviceEntry(const QString& name, const QString& productId, int state = 0);
// "languageInfo": records of (name, code) pairs; a null code leaves it unset.
QVariant languageList(const QList<QPair<QString, QString>>& namesAndCodes);
// "buildVectorInfo": a build with regions of (name, id) pairs and one firmware file.
QVariant buildWithRegions(const QList<QPair<QString, QString>>& namesAndIds);
// The entries of maps, in order.
HVComponentList entries(const QList<QVariantMap>& maps);

} // namespace testsupport
