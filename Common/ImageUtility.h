#pragma once

#include <QString>
#include <QStringList>
#include <span>

// Chooses the picture of a device: a product identifier ("HV" and four upper-case
// hexadecimal digits), and for some products the headset's wearing style, maps
// to the base name of a picture resource of the bundle ("<name>.png" or the
// encrypted "<name>.enc"). Never instantiated; every operation is a constant
// lookup.
class ImageUtility {
public:
    ImageUtility() = delete;

    // Display contexts (the forUser argument).
    static constexpr int kGeneralContext = 0;
    static constexpr int kFirmwareUpdateContext = 1;
    static constexpr int kNoContext = -1;

    // Wearing styles (the withHeadSet argument); any other value is mono.
    static constexpr int kNoHeadsetStyle = -1;
    static constexpr int kConvertibleStyle = 1;
    static constexpr int kDuoStyle = 2;

    // One row of the image table: the picture of a product and whether that
    // picture may be shown in the general context ("YES" or "NO").
    struct ImageEntry {
        const char* key;
        const char* picture;
        const char* generalContext;
    };

    // The image table: 174 rows in ascending key order, including the two
    // fall-backs "HV0000" ("DefaultDevice", "YES") and "FWU0000"
    // ("DefaultFWUDevice", "NO").
    static std::span<const ImageEntry> imageTable();

    // The table lookup. Context 1: the product's picture, else "DefaultFWUDevice".
    // Context 0: the product's picture when its flag is not "NO", else
    // "DefaultDevice". Any other context, or a null product ID in it: null.
    static QString getDeviceImageNameForProdId(const QString& prodId, int forUser);

    // The variant lookup for the two wearing-style families: the family's base
    // name, then "_Convert", "_Duo" or "_Mono", then "_BadUsb" for the first
    // family's bad-USB member. Other products get the context's default picture
    // (contexts 0 and 1) or null. Style -1, context -1 or a null product ID: null.
    static QString getDeviceImageNameForProdId(const QString& prodId, int withHeadSet, int forUser);

    // The product IDs of the two variant families, the bad-USB member of the
    // first, and the nine product IDs that the update window sends to the
    // variant lookup (both families and two more).
    static const QStringList& firstVariantFamily();
    static const QStringList& secondVariantFamily();
    static QString badUsbProductId();
    static const QStringList& variantProductIds();

    // Every picture base name either lookup can answer, each once, sorted.
    static QStringList allPictureNames();

    // The fixed key of the encrypted pictures: 32 printable ASCII characters used
    // byte for byte as the AES-256 key (CBC chaining, PKCS#7 padding, zero
    // initialisation vector).
    static constexpr char kPictureKey[] = "Qm7{Tz]e(4Wk:N8p*vR)b[Hx+dYc}Ls0";
    static constexpr int kPictureKeyLength = 32;
    static_assert(sizeof(kPictureKey) == kPictureKeyLength + 1);
};
