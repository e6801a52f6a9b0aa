#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <vector>

class QTranslator;

namespace platform {

// An application bundle: a folder laid out as
//   <name>.app/Contents/Info.plist
//   <name>.app/Contents/MacOS/<CFBundleExecutable>
//   <name>.app/Contents/Resources/...
// Localized texts come from Qt translation files in Resources/
// ("zorva_<language>.qm") whose context is the string table's name
// ("Localizable" for the default table) and whose source text is the key.
// The file of the user's language is asked first, then English, so that a key
// not yet translated into a language shows its English text.
class Bundle {
public:
    explicit Bundle(const QString& bundlePath);
    ~Bundle();
    Bundle(const Bundle&) = delete;
    Bundle& operator=(const Bundle&) = delete;

    // The application's own bundle: $ZORVA_BUNDLE when set; otherwise the bundle
    // the executable lies in (.../Contents/MacOS/), or "Zorva menu bar item.app"
    // next to the executable. Null when no such folder exists.
    static std::shared_ptr<const Bundle> mainBundle();

    // A bundle at a path, or null when the folder does not exist.
    static std::shared_ptr<const Bundle> bundleWithPath(const QString& path);

    QString bundlePath() const { return m_path; }
    QString resourcePath() const;
    // Contents/MacOS/ + CFBundleExecutable; null when the key is missing.
    QString executablePath() const;

    // Contents/Info.plist as a dictionary; empty when missing or unreadable.
    const QVariantMap& infoDictionary() const { return m_info; }
    QVariant objectForInfoDictionaryKey(const QString& key) const { return m_info.value(key); }
    QString bundleIdentifier() const;

    // Path of Resources/<name>.<type> (or <name> when type is empty); null when
    // no such file exists.
    QString pathForResource(const QString& name, const QString& type) const;

    // The localized text of a key in a table (null table: "Localizable"). A key
    // with no translation gives value when value is non-empty, else the key.
    QString localizedStringForKey(const QString& key, const QString& value = QString(),
                                  const QString& table = QString()) const;

private:
    void loadTranslations();

    QString m_path;
    QVariantMap m_info;
    // The user's language first, English last.
    std::vector<std::unique_ptr<QTranslator>> m_translators;
};

} // namespace platform
