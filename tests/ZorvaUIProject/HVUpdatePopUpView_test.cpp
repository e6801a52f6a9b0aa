#include "Common/ImageUtility.h"
#include "Platform/Bundle.h"
#include "ZorvaUIProject/HVDeviceImageChoice.h"
#include "ZorvaUIProject/HVUpdatePopUpView.h"
#include "support/TestSupport.h"
#include "support/TraceCapture.h"
#include "support/UpdateWindowFixtures.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace testsupport;
using View = HVUpdatePopUpView;

namespace {

const QList<QPair<QString, QString>> kLanguages = {
    {"Deutsch", "407"}, {"Français", "40C"}, {"English", "409"}};
const QList<QPair<QString, QString>> kRegions = {{"Europe", "7"}, {"Asia", "12"}};

QVariantMap withChoices(QVariantMap map, bool languages = true, bool regions = true) {
    if (languages) {
        map.insert("languageInfo", languageList(kLanguages));
    }
    if (regions) {
        map.insert("buildVectorInfo", buildWithRegions(kRegions));
    }
    return map;
}

QVariantMap headset(const QString& name) {
    QVariantMap map = withChoices(deviceEntry(name, "HV0AF2"));
    map.insert("UpdateForHeadset", "TRUE");
    return map;
}

struct Window {
    std::shared_ptr<FakeUpdateWindowPlatform> platform =
        std::make_shared<FakeUpdateWindowPlatform>();
    HVComponentList list;
    std::unique_ptr<View> view;
    explicit Window(const QList<QVariantMap>& maps, bool settings = false) : list(entries(maps)) {
        view = View::initWithList(list, settings, platform);
    }
    const HVTableLayout& table() const { return *view->tableLayout(); }
    const HVCellContent& cell(int row, const QString& column) const {
        const auto& columns = table().columns;
        for (int c = 0; c < columns.size(); ++c) {
            if (columns.at(c).identifier == column) {
                return table().cells.at(row).at(c);
            }
        }
        throw std::out_of_range("no such column");
    }
};

HVComponentEntry entry(const QVariant& prodId, const QVariant& headsetType = QVariant()) {
    QVariantMap map;
    if (prodId.isValid()) {
        map.insert("ProdIdKey", prodId);
    }
    if (headsetType.isValid()) {
        map.insert("headsetTypeKey", headsetType);
    }
    return HVComponentUpdateList::makeEntry(map);
}

} // namespace

TEST(UpdateWindowTable, ColumnsFollowTheEntriesThatOfferChoicesAndHeadsetRowsOfferNone) {
    const QVariantMap plain = deviceEntry("Zorva Quillo 40", "HV2454");
    const QVariantMap upToDate = withChoices(deviceEntry("Zorva Quillo 40", "HV2454", 1));
    struct Row {
        const char* what;
        QList<QVariantMap> maps;
        double W;
        QStringList columns;
    } rows[] = {
        // clang-format off
        {"both", {withChoices(plain)}, 610, {"productColumn", "nameColumn", "langColumn", "regColumn", "statusColumn"}},
        {"neither", {plain}, 370, {"productColumn", "nameColumn", "statusColumn"}},
        {"region only", {withChoices(plain, false)}, 490, {"productColumn", "nameColumn", "regColumn", "statusColumn"}},
        {"headset, up to date", {headset("Zorva Brisk"), upToDate}, 370, {"productColumn", "nameColumn", "statusColumn"}},
        // clang-format on
    };
    for (const Row& row : rows) {
        Window w(row.maps);
        QStringList ids;
        for (const HVColumnItem& column : w.table().columns) {
            ids.append(column.identifier);
        }
        EXPECT_EQ(ids, row.columns) << row.what;
        EXPECT_EQ(w.table().W, row.W) << row.what;
    }
    // Headset rows are taller and offer no choice.
    Window w({withChoices(plain), headset("Zorva Brisk")});
    EXPECT_EQ(w.table().rowHeights, QList<double>({50, 85}));
    const HVCellContent& name = w.cell(1, "nameColumn");
    ASSERT_EQ(name.texts.size(), 2);
    EXPECT_EQ(name.texts.at(1).frame, (HVRect{5, -5, 175, 40}));
    EXPECT_EQ(name.texts.at(1).text,
              w.platform->bundle->localizedStringForKey("headset connect txt"));
    EXPECT_NE(name.texts.at(1).text, "headset connect txt");
    EXPECT_EQ(w.cell(1, "statusColumn").button->frame, (HVRect{3, 35, 85, 45}));
    EXPECT_TRUE(w.cell(1, "langColumn").isEmpty() && w.cell(1, "regColumn").isEmpty());
    EXPECT_FALSE(w.list.at(1)->contains("selectedLangKey"));
    EXPECT_TRUE(w.cell(0, "langColumn").popUp.has_value());
}

TEST(UpdateWindowTable, FramesBySizeOfTheList) {
    const QVariantMap plain = deviceEntry("Zorva Quillo 40", "HV2454", 1);
    const QVariantMap hs = deviceEntry("Zorva Brisk", "HV0AF2", 1);
    QVariantMap hsMarked = hs;
    hsMarked.insert("UpdateForHeadset", "TRUE");
    struct Row {
        QList<QVariantMap> maps;
        double H;
        HVRect scroll, window;
        bool scroller;
    } rows[] = {
        // clang-format off
        {{}, 0, {0, 38, 370, 18}, {0, 0, 370, 76}, false},
        {{plain}, 50, {0, 40, 370, 70}, {0, 0, 370, 130}, false},
        {{hsMarked}, 85, {0, 40, 370, 105}, {0, 0, 370, 165}, false},
        {{plain, plain, plain}, 150, {0, 44, 370, 174}, {0, 0, 370, 238}, false},
        {{plain, plain, plain, plain, hsMarked}, 285, {0, 45, 382, 175}, {0, 0, 381, 240}, true},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.maps.size());
        Window w(row.maps);
        const auto& g = w.table().geometry;
        EXPECT_EQ(w.view->heightOfTable(), row.H);
        EXPECT_EQ(std::tie(g.scrollFrame, g.windowFrame, g.verticalScroller),
                  std::tie(row.scroll, row.window, row.scroller));
    }
    // Buttons: Close always, settings only on request.
    Window w({plain}, true);
    ASSERT_EQ(w.table().buttons.size(), 2);
    EXPECT_EQ(std::tie(w.table().buttons.at(0).frame, w.table().buttons.at(0).tag),
              std::make_tuple(HVRect{270, 0, 100, 40}, 1000));
    EXPECT_EQ(std::tie(w.table().buttons.at(1).frame, w.table().buttons.at(1).tag),
              std::make_tuple(HVRect{145, 0, 125, 40}, 1001));
    EXPECT_EQ(Window({plain}).table().buttons.size(), 1);
}

TEST(UpdateWindowTable, VantorSubTargetsGoWhileTheBaseIsListed) {
    const auto pids = [](const HVComponentList& list) {
        QStringList result;
        for (const auto& e : list) {
            result.append(HVComponentUpdateList::productId(e));
        }
        return result;
    };
    TraceCapture trace;
    Window with({deviceEntry("a", "HV1000"), deviceEntry("b", "HV1001"), deviceEntry("c", "HV1002"),
                 deviceEntry("d", "HV2454")});
    EXPECT_EQ(pids(with.view->compList()), QStringList({"HV1001", "HV2454"}));
    EXPECT_EQ(trace.count("Removed sub target with PID HV1000 of Vantor from attached list"), 1);
    Window without(
        {deviceEntry("a", "HV1000"), deviceEntry("c", "HV1002"), deviceEntry("d", "HV2454")});
    EXPECT_EQ(pids(without.view->compList()), QStringList({"HV1000", "HV1002", "HV2454"}));
    // The caller's list is not touched; the entries are shared.
    EXPECT_EQ(with.list.size(), 4);
    EXPECT_EQ(with.view->compList().first().get(), with.list.at(1).get());
}

TEST(UpdateWindowTable, StatusColumnByState) {
    struct Row {
        int state;
        bool button;
        QString text;
        // clang-format off
    } rows[] = {{0, true, ""}, {1, false, "Up-to-date"}, {3, false, "Unknown"}, {5, false, "Unknown"},
                {6, false, "Unknown"}, {2, false, ""}, {4, false, ""}, {7, false, ""}}; // clang-format on
    for (const Row& row : rows) {
        Window w({deviceEntry("Zorva Quillo 40", "HV2454", row.state)});
        const HVCellContent& cell = w.cell(0, "statusColumn");
        EXPECT_EQ(cell.button.has_value(), row.button) << row.state;
        if (row.text.isEmpty()) {
            EXPECT_TRUE(cell.texts.isEmpty()) << row.state;
        } else {
            ASSERT_EQ(cell.texts.size(), 1) << row.state;
            EXPECT_EQ(cell.texts.at(0).text, row.text) << row.state;
            EXPECT_EQ(cell.texts.at(0).frame, (HVRect{0, 10, 100, 25})) << row.state;
        }
        const HVPictureItem& picture = *w.cell(0, "productColumn").picture;
        EXPECT_EQ(picture.source == HVPictureSource::StatePng, row.state == 3) << row.state;
        EXPECT_NE(picture.source, HVPictureSource::None) << row.state;
    }
    // A missing state is state 0.
    QVariantMap noState = deviceEntry("Zorva Quillo 40", "HV2454");
    noState.remove("UpdateStatusKey");
    EXPECT_EQ(Window({noState}).cell(0, "statusColumn").button->tag, 0);
}

TEST(UpdateWindowChoices, DefaultsAndLaterChoicesLandInTheEntry) {
    QVariantMap presetLang = withChoices(deviceEntry("a", "HV2454"));
    presetLang.insert("selectedLangKey", "1036");
    presetLang.insert("selectedRegionKey", 12);
    QVariantMap unmatched = withChoices(deviceEntry("b", "HV2454"));
    unmatched.insert("selectedRegionKey", "99");
    QVariantMap emptyLists = deviceEntry("c", "HV2454");
    emptyLists.insert("languageInfo", QVariantList());
    emptyLists.insert("buildVectorInfo", buildWithRegions({}));
    QVariantMap noCode = deviceEntry("d", "HV2454");
    noCode.insert("languageInfo", languageList({{"Deutsch", QString()}}));
    noCode.insert("selectedLangKey", "abc");

    TraceCapture trace;
    Window w({presetLang, unmatched, emptyLists, noCode});
    const auto stored = [&](int row, const char* key) { return w.list.at(row)->value(key); };
    EXPECT_EQ(stored(0, "selectedLangKey"), "40C");
    EXPECT_EQ(stored(0, "selectedRegionKey"), "12");
    EXPECT_EQ(w.cell(0, "langColumn").popUp->selectedIndex, 1);
    EXPECT_EQ(w.cell(0, "regColumn").popUp->selectedIndex, 1);
    EXPECT_EQ(stored(1, "selectedLangKey"), "407");
    EXPECT_EQ(stored(1, "selectedRegionKey"), "7");
    EXPECT_EQ(trace.count("region not found in the XML. Using default region"), 1);
    // Nothing to choose from: no pop-up, nothing stored.
    EXPECT_FALSE(w.cell(2, "langColumn").popUp);
    EXPECT_FALSE(w.cell(2, "regColumn").popUp);
    EXPECT_FALSE(w.list.at(2)->contains("selectedLangKey"));
    EXPECT_FALSE(w.list.at(2)->contains("selectedRegionKey"));
    // A language without a code keeps the stored choice.
    EXPECT_EQ(stored(3, "selectedLangKey"), "abc");

    w.view->didSelectRegion(0, "Europe");
    w.view->didSelectRegion(1, "Nowhere");
    w.view->didSelectLang(9, "English"); // no such row
    EXPECT_EQ(stored(0, "selectedRegionKey"), "7");
    EXPECT_EQ(stored(1, "selectedRegionKey"), "7");
}

TEST(UpdateWindowSingle, FourHeights) {
    const QVariantMap plain = deviceEntry("Zorva Quillo 40", "HV2454");
    struct Row {
        QList<QVariantMap> maps;
        double height;
        double pictureY, messageY, linkY;
        std::optional<HVRect> language, region;
    } rows[] = {
        // clang-format off
        {{withChoices(plain)}, 200, 105, 115, 100, HVRect{235, 75, 120, 40}, HVRect{187, 45, 120, 40}},
        {{withChoices(plain, true, false)}, 170, 85, 85, 70, HVRect{235, 45, 120, 40}, {}},
        {{withChoices(plain, false, true)}, 170, 85, 85, 70, {}, HVRect{187, 45, 120, 40}},
        {{plain}, 150, 65, 65, 50, {}, {}},
        // Only another entry offers languages: the height, but no controls.
        {{plain, withChoices(plain, true, false)}, 170, 85, 85, 70, {}, {}},
        // clang-format on
    };
    const auto frame = [](const auto& control) {
        return control ? std::optional(control->frame) : std::nullopt;
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.height);
        const auto view =
            View::initWithList(entries(row.maps), std::make_shared<FakeUpdateWindowPlatform>());
        const HVSingleLayout& s = *view->singleLayout();
        EXPECT_EQ(s.windowFrame, (HVRect{0, 0, 425, row.height}));
        EXPECT_EQ(std::tie(s.picture->frame.y, s.message->frame.y, s.link->frame.y),
                  std::tie(row.pictureY, row.messageY, row.linkY));
        EXPECT_EQ(frame(s.languagePopUp), row.language);
        EXPECT_EQ(frame(s.regionPopUp), row.region);
        ASSERT_EQ(s.buttons.size(), 2);
        EXPECT_EQ(std::make_pair(s.buttons.at(0).tag, s.buttons.at(1).tag),
                  std::make_pair(1000, 0));
    }
    EXPECT_FALSE(View::initWithList(std::nullopt, std::make_shared<FakeUpdateWindowPlatform>()));
}

TEST(UpdateWindowBadInput, TracedEmptyCellsAndFallBackPictures) {
    // A bundle whose picture for the product does not decrypt.
    ScopedSandbox sandbox;
    const QString resources = sandbox.system("Bad.app/Contents/Resources");
    QDir().mkpath(resources);
    QFile::copy(QString(ZORVA_BUNDLE_PATH) + "/Contents/Resources/DefaultDevice.enc",
                resources + "/DefaultDevice.enc");
    QVariantMap broken = deviceEntry("Zorva Quillo 40", "HV2454");
    const QString picture =
        getDeviceImageNameWithDeviceDict(HVComponentUpdateList::makeEntry(broken));
    writeFile(resources + "/" + picture + ".enc", QByteArray(40, 'x'));
    QVariantMap wrongLocId = deviceEntry("Zorva Vell", "HV2455");
    wrongLocId.insert("LocIdKey", QVariantList{1, 2});

    TraceCapture trace;
    auto platform = std::make_shared<FakeUpdateWindowPlatform>();
    platform->bundle = platform::Bundle::bundleWithPath(sandbox.system("Bad.app"));
    HVComponentList list = entries({broken, wrongLocId});
    list.insert(1, nullptr);
    const auto view = View::initWithList(list, false, platform);
    const HVTableLayout& t = *view->tableLayout();
    for (const HVCellContent& cell : t.cells.at(1)) {
        EXPECT_TRUE(cell.isEmpty());
    }
    EXPECT_EQ(trace.count("tableView : Dictionary is empty"), 3); // one per column
    EXPECT_EQ(t.cells.at(0).at(0).picture->source, HVPictureSource::DefaultDevice);
    EXPECT_FALSE(t.cells.at(0).at(0).picture->bytes.isEmpty());
    EXPECT_EQ(t.geometry.windowFrame.height, 50 * 3 + 80 + 8);
    // The updater still gets the entry, with the odd identifier as text.
    view->clickedUpdateButton(2);
    ASSERT_EQ(platform->launched.size(), 1);
    EXPECT_TRUE(platform->launched.at(0).second.at(1).contains("LocIdKey = "));
    // A second click (the window has ended) starts nothing more.
    view->clickedUpdateButton(2);
    view->clickedUpdateButton(7);
    EXPECT_EQ(platform->launched.size(), 1);
}

TEST(UpdateWindowLink, OnlyTextWithAnAbsoluteValidURLMakesALink) {
    struct Row {
        QString text, url;
        bool link;
        // clang-format off
    } rows[] = {{"Release notes", "https://updates.zorva.example/notes", true},
                {"", "https://updates.zorva.example/notes", true}, // an empty text still links
                {QString(), "https://updates.zorva.example/notes", false}, {"Release notes", QString(), false},
                {"Release notes", "", false}, {"Release notes", "notes/page.html", false},
                {"Release notes", "https://updates.zorva example/notes", false}}; // clang-format on
    for (const Row& row : rows) {
        const auto field = Hyperlink::addHyperLinkText(row.text, row.url);
        ASSERT_EQ(field.has_value(), row.link) << row.url.toStdString();
        if (field) {
            EXPECT_EQ(field->text.text, row.text);
            EXPECT_EQ(field->text.link, QUrl(row.url));
        }
    }
}

TEST(DeviceImageChoice, VariantProductsByHeadsetTypeOthersByTable) {
    const QString first = ImageUtility::firstVariantFamily().first();
    const QString second = ImageUtility::secondVariantFamily().first();
    const QString bad = ImageUtility::badUsbProductId();
    const auto kind = [](const QString& id, int k) {
        return ImageUtility::getDeviceImageNameForProdId(id, k, 1);
    };
    // 71 convertible (1), 72 duo (2), everything else (absent too) mono (0). A table
    // product by the table even when flagged "NO"; the headset type plays no part.
    // clang-format off
    const std::tuple<QVariant, QVariant, QString> rows[] = {
        {second, 71, kind(second, 1)}, {second, "71", kind(second, 1)}, {first, 72, kind(first, 2)},
        {first, QVariant(), kind(first, 0)}, {first, 2, kind(first, 0)}, {bad, 72, kind(bad, 2)},
        {"HV025C", 71, "SpeakerphoneCoral"}, {"HVFFFE", QVariant(), "DefaultFWUDevice"},
        {QVariant(), QVariant(), "DefaultFWUDevice"}};
    // clang-format on
    for (const auto& [prodId, type, image] : rows) {
        EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(prodId, type)), image)
            << prodId.toString().toStdString() << " " << type.toString().toStdString();
    }
    // The two members outside both families always get the update default.
    const QStringList& nine = ImageUtility::variantProductIds();
    for (const QString& extra : {nine.at(7), nine.at(8)}) {
        ASSERT_FALSE(ImageUtility::firstVariantFamily().contains(extra));
        ASSERT_FALSE(ImageUtility::secondVariantFamily().contains(extra));
        for (int type : {0, 71, 72}) {
            EXPECT_EQ(getDeviceImageNameWithDeviceDict(entry(extra, type)), "DefaultFWUDevice");
        }
    }
    EXPECT_EQ(getDeviceImageNameWithDeviceDict(nullptr), "DefaultFWUDevice");
}
