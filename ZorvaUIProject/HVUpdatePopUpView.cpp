#include "ZorvaUIProject/HVUpdatePopUpView.h"

#include "Platform/Bundle.h"
#include "Platform/Launching.h"
#include "Platform/ObjectDescription.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "ZorvaUIProject/Common/HVDisObj.h"
#include "ZorvaUIProject/Common/HVUtilities.h"
#include "ZorvaUIProject/HVDeviceImageChoice.h"
#include "ZorvaUIProject/HVFirmwareUpdaterArguments.h"
#include "ZorvaUIProject/HVPanicTraceReport.h"

#include <QClipboard>
#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>

namespace {

using namespace hvtrace;
namespace Keys = HVComponentKeys;
using List = HVComponentUpdateList;

// Sub-targets of the multi-target product, offered through it only.
constexpr char kVantorBase[] = "HV1001";
constexpr char kVantorHeadset[] = "HV1000";
constexpr char kVantorBluetoothCore[] = "HV1002";
constexpr int kVantorCategory = 24;

constexpr char kSystemSettingsIdentifier[] = "com.apple.systempreferences";
constexpr char kDefaultFWUPicture[] = "DefaultFWUDevice";
constexpr char kDefaultPicture[] = "DefaultDevice";
constexpr char kSuiteTablePicture[] = "ZMSIcon";
constexpr char kSuiteSinglePicture[] = "zorva_youre_on";
constexpr char kUpdateButtonPicture[] = "UpdateAvail";

constexpr double kCellWidth = 600;
constexpr double kNameFontSize = 11.75;

void trace(const QString& message, int category, int severity) {
    HVTrace::writeLine(message, category, severity);
}

// The whole list is described only when a record will be written.
void traceList(const std::optional<HVComponentList>& list) {
    if (HVTrace::isTraceOn()) {
        trace(QStringLiteral("initWithList : Data is %1")
                  .arg(platform::describe(HVComponentUpdateList::toObject(list))),
              hvtrace::kStatusController, hvtrace::kInfo);
    }
}

QString describeOrNull(const QString& text) {
    return text.isNull() ? QStringLiteral("(null)") : text;
}

bool hasKey(const HVComponentEntry& entry, const char* key) {
    return entry && entry->contains(QLatin1String(key));
}

// State 0, not a headset, and carrying the key: offers the choice.
bool offersChoice(const HVComponentEntry& entry, const char* key) {
    return List::updateStatus(entry) == 0 && hasKey(entry, key) && !List::isHeadsetEntry(entry);
}

// The text of the stored language choice as the lookup reads it: a string as
// it stands, a number as its decimal digits.
QString storedLanguageText(const HVComponentEntry& entry) {
    const QVariant value = List::selectedLanguage(entry);
    if (!value.isValid()) {
        return QString();
    }
    return value.typeId() == QMetaType::QString ? value.toString()
                                                : QString::number(List::intValue(value));
}

// A localized format with one "%@" for the argument.
QString formatWith(QString format, const QString& argument) {
    const qsizetype at = format.indexOf(QLatin1String("%@"));
    if (at >= 0) {
        format.replace(at, 2, argument);
    }
    return format;
}

} // namespace

// ---- platform ------------------------------------------------------------------

std::shared_ptr<const platform::Bundle> HVUpdateWindowPlatformDefault::resourceBundle() {
    if (!m_bundle) {
        auto bundle = platform::Bundle::mainBundle();
        if (bundle && bundle->bundleIdentifier() == QLatin1String(kSystemSettingsIdentifier)) {
            bundle = HVUtilities::getHVPrefsPane();
        }
        m_bundle = bundle;
    }
    return *m_bundle;
}

bool HVUpdateWindowPlatformDefault::openURL(const QUrl& url) {
    return platform::openURL(url);
}

bool HVUpdateWindowPlatformDefault::launchApplicationAtPath(const QString& path,
                                                            const QStringList& arguments) {
    return HVUtilities::launchApplicationAtPath(path, arguments);
}

double HVUpdateWindowPlatformDefault::nameWidth(const QString& name) {
    QFont font;
    font.setBold(true);
    font.setPointSizeF(Hyperlink::fontPointSize(kNameFontSize));
    return QFontMetricsF(font).horizontalAdvance(name);
}

void HVUpdateWindowPlatformDefault::setClipboardText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text, QClipboard::Clipboard);
    }
}

bool HVUpdateWindowPlatformDefault::resetPanicTrace(const QString& productID, qint64 locationID) {
    const auto client = HVDisObj::init();
    if (!client) {
        return false;
    }
    try {
        client->resetPanicTraceFromAppService(productID, locationID);
    } catch (const std::exception&) {
        // The service left the bus while answering: the client has traced it.
    }
    return true;
}

// ---- making the window ---------------------------------------------------------

HVUpdatePopUpView::HVUpdatePopUpView(std::shared_ptr<HVUpdateWindowPlatform> platform)
    : m_platform(std::move(platform)) {
    if (!m_platform) {
        m_platform = std::make_shared<HVUpdateWindowPlatformDefault>();
    }
    m_bundle = m_platform->resourceBundle();
}

HVComponentList& HVUpdatePopUpView::removeVantorTargets(HVComponentList& list) {
    const bool hasBase = std::any_of(list.cbegin(), list.cend(), [](const HVComponentEntry& e) {
        return List::productId(e) == QLatin1String(kVantorBase);
    });
    if (!hasBase) {
        return list;
    }
    trace(QStringLiteral("Vantor is connected: skipping its headset and Bluetooth core targets"),
          kVantorCategory, kCritical);
    const HVComponentList copy = list;
    for (const HVComponentEntry& entry : copy) {
        const QString pid = List::productId(entry);
        if (pid == QLatin1String(kVantorHeadset) || pid == QLatin1String(kVantorBluetoothCore)) {
            list.removeOne(entry);
            trace(QStringLiteral("Removed sub target with PID %1 of Vantor from attached list")
                      .arg(pid),
                  kVantorCategory, kCritical);
        }
    }
    return list;
}

void HVUpdatePopUpView::takeList(const std::optional<HVComponentList>& list,
                                 const QString& tracePrefix) {
    HVComponentList filtered = list.value_or(HVComponentList());
    m_compList = removeVantorTargets(filtered);
    for (const HVComponentEntry& entry : std::as_const(m_compList)) {
        if (offersChoice(entry, Keys::languageInfo)) {
            trace(tracePrefix + QStringLiteral(" : Device supports Languages"), kStatusController,
                  kInfo);
            m_isLangSupported = true;
        }
        if (offersChoice(entry, Keys::buildVectorInfo)) {
            trace(tracePrefix + QStringLiteral(" : Device supports Region"), kStatusController,
                  kInfo);
            m_isRegSupported = true;
        }
    }
}

std::unique_ptr<HVUpdatePopUpView>
HVUpdatePopUpView::initWithList(const std::optional<HVComponentList>& list, bool willShowSettingBtn,
                                std::shared_ptr<HVUpdateWindowPlatform> platform) {
    std::unique_ptr<HVUpdatePopUpView> view(new HVUpdatePopUpView(std::move(platform)));
    traceList(list);
    view->m_isSettingRequired = willShowSettingBtn;
    view->takeList(list, QStringLiteral("initWithList_willShowSettingBtn"));
    view->configureCustomizeAlert();
    return view;
}

std::unique_ptr<HVUpdatePopUpView>
HVUpdatePopUpView::initWithList(const std::optional<HVComponentList>& list,
                                std::shared_ptr<HVUpdateWindowPlatform> platform) {
    std::unique_ptr<HVUpdatePopUpView> view(new HVUpdatePopUpView(std::move(platform)));
    if (!list) {
        trace(QStringLiteral("initWithList : Device list is empty!"), kStatusController, kInfo);
        return nullptr;
    }
    traceList(list);
    view->m_isSettingRequired = false;
    view->takeList(list, QStringLiteral("initWithList"));
    view->configureDeviceUpdateAlert();
    return view;
}

QString HVUpdatePopUpView::localized(const QString& key) const {
    return m_bundle ? m_bundle->localizedStringForKey(key) : key;
}

HVComponentEntry HVUpdatePopUpView::entryAt(qsizetype row) const {
    if (row < 0 || row >= m_compList.size()) {
        return nullptr;
    }
    return m_compList.at(row);
}

// ---- table layout --------------------------------------------------------------

void HVUpdatePopUpView::configureCustomizeAlert() {
    m_tableHeight = 0;
    trace(QStringLiteral("configureCustomizeAlert : Configure for Alert"), kStatusController,
          kInfo);
    HVTableLayout layout;
    layout.columns = tableColumns(m_isLangSupported, m_isRegSupported);
    for (const HVColumnItem& column : std::as_const(layout.columns)) {
        layout.W += column.width;
    }
    layout.title = localized(QStringLiteral("Software Update"));

    const qsizetype n = numberOfRowsInTableView();
    layout.rowHeights.reserve(n);
    layout.cells.reserve(n);
    for (qsizetype row = 0; row < n; ++row) {
        layout.rowHeights.append(tableViewHeightOfRow(row));
        QList<HVCellContent> cells;
        cells.reserve(layout.columns.size());
        for (const HVColumnItem& column : std::as_const(layout.columns)) {
            cells.append(
                tableViewViewForTableColumn(column.identifier, row).value_or(HVCellContent()));
        }
        layout.cells.append(std::move(cells));
    }

    layout.geometry = tableGeometry(n, heightOfTable(), layout.W);
    trace(layout.geometry.fitted
              ? QStringLiteral("configureCustomizeAlert : fewer than 4 entries, table fitted to "
                               "its rows")
              : QStringLiteral("configureCustomizeAlert : 4 or more entries, table scrolls"),
          kStatusController, kHigh);

    HVButtonItem close;
    close.title = localized(QStringLiteral("Close"));
    close.tag = HVUpdateWindowTags::kClose;
    close.frame = {layout.W - 100, 0, 100, 40};
    close.highlighted = true;
    layout.buttons.append(close);
    if (m_isSettingRequired) {
        trace(QStringLiteral("configureCustomizeAlert : Setting button is required"),
              kStatusController, kHigh);
        HVButtonItem settings;
        settings.title = localized(QStringLiteral("Zorva settings"));
        settings.tag = HVUpdateWindowTags::kSettings;
        settings.frame = {layout.W - 225, 0, 125, 40};
        layout.buttons.append(settings);
    }
    m_tableLayout = std::move(layout);
}

double HVUpdatePopUpView::tableViewHeightOfRow(qsizetype row) {
    const double h = List::isHeadsetEntry(entryAt(row)) ? kHeadsetRowHeight : kRowHeight;
    m_tableHeight += h;
    return h;
}

HVPictureItem HVUpdatePopUpView::pictureFor(const HVComponentEntry& entry,
                                            const QString& pictureName, const QString& traceName,
                                            const HVRect& frame) const {
    HVPictureItem picture;
    picture.name = pictureName;
    picture.frame = frame;
    if (!m_bundle) {
        trace(QStringLiteral("PopUp View :Encrypted Image not found for %1 ")
                  .arg(describeOrNull(traceName)),
              kPrefController, kCritical);
        return picture;
    }
    const QString componentName = describeOrNull(List::componentName(entry));
    if (List::updateStatus(entry) == 3) {
        picture.source = HVPictureSource::StatePng;
        picture.path =
            m_bundle->pathForResource(QLatin1String(kDefaultFWUPicture), QStringLiteral("png"));
        if (picture.path.isNull()) {
            picture.source = HVPictureSource::None;
        }
        return picture;
    }
    const QString png = m_bundle->pathForResource(pictureName, QStringLiteral("png"));
    if (!png.isNull()) {
        trace(QStringLiteral("PopUp View  : Name of the image loaded = %1 and the path is %2 and "
                             "image is %3")
                  .arg(componentName, png, pictureName),
              kPrefController, kHigh);
        picture.source = HVPictureSource::Png;
        picture.path = png;
        return picture;
    }
    picture.source = HVPictureSource::Encrypted;
    picture.path = m_bundle->pathForResource(pictureName, QStringLiteral("enc"));
    if (picture.path.isNull()) {
        trace(QStringLiteral("PopUp View :Encrypted Image not found for %1 ")
                  .arg(describeOrNull(traceName)),
              kPrefController, kCritical);
        picture.source = HVPictureSource::DefaultDevice;
        picture.path =
            m_bundle->pathForResource(QLatin1String(kDefaultPicture), QStringLiteral("enc"));
    }
    picture.bytes = picture.path.isNull() ? QByteArray() : HVUtilities::decryptFile(picture.path);
    if (picture.bytes.isEmpty() && picture.source == HVPictureSource::Encrypted) {
        // A picture that does not decrypt shows the fall-back picture instead.
        picture.source = HVPictureSource::DefaultDevice;
        picture.path =
            m_bundle->pathForResource(QLatin1String(kDefaultPicture), QStringLiteral("enc"));
        picture.bytes =
            picture.path.isNull() ? QByteArray() : HVUtilities::decryptFile(picture.path);
    }
    if (picture.bytes.isEmpty()) {
        picture.source = HVPictureSource::None;
        return picture;
    }
    trace(QStringLiteral("PopUp View :Name of the image loaded = %1 and the path is %2 and image "
                         "is %3")
              .arg(componentName, picture.path, pictureName),
          kPrefController, kHigh);
    return picture;
}

std::optional<HVPopUpItem> HVUpdatePopUpView::languagePopUp(const HVComponentEntry& entry, int tag,
                                                            const HVRect& frame,
                                                            const QString& notFoundTrace,
                                                            int selectedSeverity) {
    const QVariant languages = List::languageInfo(entry);
    const auto items = HVUtilities::getLangArrayforList(languages);
    if (!items || items->isEmpty()) {
        // Nothing to choose from: no choice offered and nothing stored.
        return std::nullopt;
    }
    QString name = HVUtilities::getLangName(List::currentVersion(entry), storedLanguageText(entry),
                                            languages, List::productId(entry));
    if (name.isNull()) {
        trace(notFoundTrace, kPrefController, kCritical);
        name = items->first();
    }
    trace(QStringLiteral("Selected language  %1").arg(describeOrNull(name)), kPrefController,
          selectedSeverity);
    const QString code = HVUtilities::getLangIdForLang(name, languages);
    if (!code.isNull()) {
        List::setSelectedLanguage(entry, code);
    }
    HVPopUpItem popUp;
    popUp.items = *items;
    popUp.selectedIndex = int(items->indexOf(name));
    popUp.tag = tag;
    popUp.frame = frame;
    popUp.action = HVPopUpAction::SelectLanguage;
    return popUp;
}

std::optional<HVPopUpItem> HVUpdatePopUpView::regionPopUp(const HVComponentEntry& entry, int tag,
                                                          const HVRect& frame,
                                                          int selectedSeverity) {
    const auto build = List::buildVectorInfo(entry);
    const QVariant regions = build ? build->availableRegionInfo() : QVariant();
    const auto items = HVUtilities::getRegionArrayforList(regions);
    if (!items || items->isEmpty()) {
        return std::nullopt;
    }
    QVariant chosen = HVUtilities::getRegionFromVersion(List::selectedRegionText(entry), regions);
    if (!chosen.isValid()) {
        trace(QStringLiteral("region not found in the XML. Using default region"), kPrefController,
              kCritical);
        chosen = regions.toList().first();
    }
    const auto fields = HVXmlRegionFieldsOf(chosen);
    if (!fields) {
        return std::nullopt;
    }
    trace(QStringLiteral("Selected region  %1").arg(describeOrNull(fields->regionName)),
          kPrefController, selectedSeverity);
    if (!fields->regionId.isNull()) {
        List::setSelectedRegion(entry, fields->regionId);
    }
    HVPopUpItem popUp;
    popUp.items = *items;
    popUp.selectedIndex = int(items->indexOf(fields->regionName));
    popUp.tag = tag;
    popUp.frame = frame;
    popUp.action = HVPopUpAction::SelectRegion;
    return popUp;
}

std::optional<HVCellContent> HVUpdatePopUpView::tableViewViewForTableColumn(const QString& column,
                                                                            qsizetype row) {
    const HVComponentEntry entry = entryAt(row);
    if (!entry || entry->isEmpty()) {
        trace(QStringLiteral("tableView : Dictionary is empty"), kStatusController, kCritical);
        return std::nullopt;
    }
    const int tag = int(row);
    const bool headset = List::isHeadsetEntry(entry);
    const double o = headset ? kHeadsetRowOffset : 0;
    const QString name = List::componentName(entry);
    const qint32 state = List::updateStatus(entry);
    HVCellContent cell;

    if (column == QLatin1String("productColumn")) {
        const bool suite = List::isSuiteEntry(entry);
        const QString pictureName = suite ? QString::fromLatin1(kSuiteTablePicture)
                                          : ::getDeviceImageNameWithDeviceDict(entry);
        const QString traceName = suite ? name : List::productId(entry);
        cell.picture = pictureFor(entry, pictureName, traceName, HVRect{5, o + 8, 70, 40});
    } else if (column == QLatin1String("nameColumn")) {
        HVTextItem text;
        text.text = name;
        text.frame = {5, o, 175, 40};
        text.font = HVTextFont::BoldName;
        text.elideRight = true;
        if (!name.isEmpty() && m_platform->nameWidth(name) >= kToolTipWidth) {
            text.toolTip = name;
        }
        cell.texts.append(text);
        if (state == 0) {
            cell.link =
                Hyperlink::addHyperLinkText(localized(QStringLiteral("Release notes")),
                                            List::releaseNotesURL(entry), HVRect{5, o, 100, 25});
            if (!cell.link) {
                trace(QStringLiteral("Unable to create Release notes link"), kStatusController,
                      kCritical);
                return std::nullopt;
            }
        }
        if (headset) {
            HVTextItem hint;
            hint.text = localized(QStringLiteral("headset connect txt"));
            hint.frame = {5, o - 40, 175, 40};
            hint.font = HVTextFont::SmallSystem;
            cell.texts.append(hint);
        }
    } else if (column == QLatin1String("statusColumn")) {
        if (state == 0) {
            HVButtonItem button;
            button.title = localized(QStringLiteral("Update"));
            button.tag = tag;
            button.frame = {3, o, 85, 45};
            button.action = HVButtonAction::ClickedUpdateButton;
            if (!List::isSuiteEntry(entry) && m_bundle) {
                button.imagePath = m_bundle->pathForResource(QLatin1String(kUpdateButtonPicture),
                                                             QStringLiteral("png"));
            }
            cell.button = button;
        } else if (state == 1 || state == 3 || state == 5 || state == 6) {
            HVTextItem text;
            text.text =
                localized(state == 1 ? QStringLiteral("Up-to-date") : QStringLiteral("Unknown"));
            text.frame = {0, o + 10, 100, 25};
            text.alignment = HVTextAlignment::Center;
            text.font = HVTextFont::System;
            cell.texts.append(text);
        }
    } else if (column == QLatin1String("langColumn")) {
        if (m_isLangSupported && offersChoice(entry, Keys::languageInfo)) {
            cell.popUp = languagePopUp(
                entry, tag, HVRect{0, 5, 120, 40},
                QStringLiteral("Language not found in the XML. Using default language"), kHigh);
        }
    } else if (column == QLatin1String("regColumn")) {
        if (m_isRegSupported && offersChoice(entry, Keys::buildVectorInfo)) {
            cell.popUp = regionPopUp(entry, tag, HVRect{0, 5, 120, 40}, kHigh);
        }
    }
    return cell;
}

// ---- single-component layout ---------------------------------------------------

void HVUpdatePopUpView::configureDeviceUpdateAlert() {
    HVSingleLayout layout;
    layout.title = localized(QStringLiteral("Software Update"));
    const HVComponentEntry entry = entryAt(0);
    const HVSingleGeometry g = singleGeometry(m_isLangSupported, m_isRegSupported);
    layout.windowFrame = g.window;
    if (!entry || entry->isEmpty()) {
        trace(QStringLiteral("configureDeviceUpdateAlert : Dictionary is empty"), kStatusController,
              kCritical);
        layout.windowFrame = {0, 0, 425, 150};
        m_singleLayout = std::move(layout);
        return;
    }
    layout.empty = false;
    const QString name = List::componentName(entry);
    const bool suite = List::isSuiteEntry(entry);
    const QString pictureName = suite ? QString::fromLatin1(kSuiteSinglePicture)
                                      : ::getDeviceImageNameWithDeviceDict(entry);
    layout.picture =
        pictureFor(entry, pictureName, suite ? name : List::productId(entry), g.picture);

    trace(QStringLiteral("configureDeviceUpdateAlert : Add message for alert"), kStatusController,
          kHigh);
    HVTextItem message;
    message.text =
        name.isNull()
            ? localized(QStringLiteral("Firmware_Update_Popup_Msg"))
            : formatWith(localized(QStringLiteral("Firmware_Update_Popup_DevName_Msg")), name);
    message.frame = g.message;
    layout.message = message;

    trace(QStringLiteral("configureDeviceUpdateAlert : Add release notes for alert"),
          kStatusController, kHigh);
    layout.link = Hyperlink::addHyperLinkText(localized(QStringLiteral("Release notes")),
                                              List::releaseNotesURL(entry), g.link);
    if (!layout.link) {
        // Without a link the place stays empty; the controls below still come.
        trace(QStringLiteral("Unable to create Release notes link"), kStatusController, kCritical);
    }

    const bool stateZero = List::updateStatus(entry) == 0;
    if (stateZero && m_isLangSupported && hasKey(entry, Keys::languageInfo) && g.languageLabel) {
        trace(QStringLiteral("isLanguageSupported:YES"), kStatusController, kCritical);
        trace(QStringLiteral("configureDeviceUpdateAlert : Add language view for alert"),
              kStatusController, kHigh);
        layout.languageLabel = HVTextItem();
        layout.languageLabel->text = localized(QStringLiteral("Select Language"));
        layout.languageLabel->frame = *g.languageLabel;
        layout.languagePopUp = languagePopUp(
            entry, 0, *g.languagePopUp,
            QStringLiteral("configureDeviceUpdateAlert : Language not found in the XML. Using "
                           "default language"),
            kHigh);
    }
    if (stateZero && m_isRegSupported && hasKey(entry, Keys::buildVectorInfo) && g.regionLabel) {
        trace(QStringLiteral("configureDeviceUpdateAlert : Add region view for alert"),
              kStatusController, kCritical);
        layout.regionLabel = HVTextItem();
        layout.regionLabel->text = localized(QStringLiteral("Select Region"));
        layout.regionLabel->frame = *g.regionLabel;
        layout.regionPopUp = regionPopUp(entry, 0, *g.regionPopUp, kCritical);
    }

    HVButtonItem notNow;
    notNow.title = localized(QStringLiteral("Not now"));
    notNow.tag = HVUpdateWindowTags::kClose;
    notNow.frame = g.notNow;
    notNow.highlighted = true;
    HVButtonItem updateNow;
    updateNow.title = localized(QStringLiteral("FWU_Popup_UpdateNow_Btn"));
    updateNow.tag = HVUpdateWindowTags::kUpdateNow;
    updateNow.frame = g.updateNow;
    updateNow.action = HVButtonAction::ClickedUpdateButton;
    layout.buttons = {notNow, updateNow};
    m_singleLayout = std::move(layout);
}

// ---- controls ------------------------------------------------------------------

void HVUpdatePopUpView::didSelectLang(int tag, const QString& title) {
    const HVComponentEntry entry = entryAt(tag);
    if (!entry) {
        return;
    }
    const QString code = HVUtilities::getLangIdForLang(title, List::languageInfo(entry));
    if (!code.isNull()) {
        List::setSelectedLanguage(entry, code);
    }
}

void HVUpdatePopUpView::didSelectRegion(int tag, const QString& title) {
    const HVComponentEntry entry = entryAt(tag);
    const auto build = List::buildVectorInfo(entry);
    if (!build) {
        return;
    }
    const QVariant regions = build->availableRegionInfo();
    if (regions.typeId() != QMetaType::QVariantList) {
        return;
    }
    for (const QVariant& region : regions.toList()) {
        const auto fields = HVXmlRegionFieldsOf(region);
        if (fields && fields->regionName == title) {
            if (!fields->regionId.isNull()) {
                List::setSelectedRegion(entry, fields->regionId);
            }
            return;
        }
    }
}

void HVUpdatePopUpView::clickedUpdateButton(int tag) {
    if (m_ended) {
        return; // one click, one launch
    }
    const HVComponentEntry entry = entryAt(tag);
    if (!entry || entry->isEmpty()) {
        trace(QStringLiteral("tableView : Dictionary is empty"), kStatusController, kCritical);
        alertButton(tag);
        return;
    }
    if (List::isSuiteEntry(entry)) {
        trace(QStringLiteral("Downloading for ZMS"), kPrefController, kCritical);
        const QUrl url(List::downloadURL(entry), QUrl::StrictMode);
        if (url.isValid() && !url.isRelative()) {
            m_platform->openURL(url);
        }
    } else {
        const QStringList arguments = HVFirmwareUpdaterArguments::arguments(entry);
        trace(QStringLiteral("Arguments Array : %1").arg(platform::describe(arguments)),
              kPrefController, kCritical);
        m_platform->launchApplicationAtPath(HVFirmwareUpdaterArguments::updaterPath(), arguments);
    }
    alertButton(tag);
}

void HVUpdatePopUpView::alertButton(int tag) {
    if (m_ended) {
        return;
    }
    m_ended = true;
    trace(QStringLiteral("alertButton : End Sheet "), kPrefController, kCritical);
    if (m_sheetEnd) {
        m_sheetEnd(tag);
    }
}

// ---- the device error report -----------------------------------------------------

std::unique_ptr<HVUpdatePopUpView>
HVUpdatePopUpView::initWithPanicTraceInfo(const QVariantMap& info,
                                          std::shared_ptr<HVUpdateWindowPlatform> platform) {
    trace(QStringLiteral("initWithErrorValue : Api called"), kPrefController, kCritical);
    std::unique_ptr<HVUpdatePopUpView> view(new HVUpdatePopUpView(std::move(platform)));
    if (!info.isEmpty()) {
        view->setProdIdForPanicTrace(HVPanicTraceReport::productID(info));
        view->setLocIdForPanicTrace(HVPanicTraceReport::locationID(info));
        view->showPanicTraceInfo(info);
    }
    return view;
}

void HVUpdatePopUpView::showPanicTraceInfo(const QVariantMap& info) {
    trace(QStringLiteral("showPanicTraceForInfo : Api called"), kPrefController, kCritical);
    trace(QStringLiteral("showPanicTraceForInfo : Firmware info dict is %1")
              .arg(platform::describe(info.isEmpty() ? QVariant() : QVariant(info))),
          kPrefController, kHigh);
    if (info.isEmpty()) {
        trace(QStringLiteral("showPanicTraceForInfo : Error in panic trace dict "), kPrefController,
              kCritical);
        return;
    }
    const QString text = HVPanicTraceReport::reportText(info, QDateTime::currentDateTime());
    m_panicLayout = ::panicTraceLayout(text);
    setPanicTraceMsg(text);
}

void HVUpdatePopUpView::copyPanicTrace() {
    trace(QStringLiteral("copyPanicTrace : Api called"), kPrefController, kCritical);
    m_platform->setClipboardText(panicTraceMsg());
}

void HVUpdatePopUpView::resetPanicTrace() {
    trace(QStringLiteral("resetPanicTrace : Api called"), kPrefController, kCritical);
    if (!m_platform->resetPanicTrace(prodIdForPanicTrace(), locIdForPanicTrace())) {
        trace(QStringLiteral("resetPanicTrace : statusAppDO is NULL"), kPrefController, kCritical);
    }
}
