#include "Platform/Bundle.h"

#include "Platform/plist/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMutex>
#include <QTranslator>

namespace platform {

namespace {

constexpr auto kApplicationBundleName = "Zorva menu bar item.app";

QString locateMainBundle() {
    const QString fromEnv = qEnvironmentVariable("ZORVA_BUNDLE");
    if (!fromEnv.isEmpty()) {
        return fromEnv;
    }
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    const QString appDir = QCoreApplication::applicationDirPath();
    if (appDir.endsWith(QLatin1String("/Contents/MacOS"))) {
        return QDir::cleanPath(appDir + QLatin1String("/../.."));
    }
    return appDir + u'/' + QLatin1String(kApplicationBundleName);
}

} // namespace

Bundle::Bundle(const QString& bundlePath) : m_path(QDir::cleanPath(bundlePath)) {
    if (auto info = plist::readDictionary(m_path + QLatin1String("/Contents/Info.plist"))) {
        m_info = *info;
    }
    loadTranslations();
}

Bundle::~Bundle() = default;

std::shared_ptr<const Bundle> Bundle::mainBundle() {
    static QMutex mutex;
    static std::shared_ptr<const Bundle> cached;
    const QString path = locateMainBundle();
    QMutexLocker lock(&mutex);
    if (cached && cached->bundlePath() == QDir::cleanPath(path)) {
        return cached;
    }
    cached = bundleWithPath(path);
    return cached;
}

std::shared_ptr<const Bundle> Bundle::bundleWithPath(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) {
        return nullptr;
    }
    return std::make_shared<const Bundle>(path);
}

QString Bundle::resourcePath() const {
    return m_path + QLatin1String("/Contents/Resources");
}

QString Bundle::executablePath() const {
    const QString name = m_info.value(QStringLiteral("CFBundleExecutable")).toString();
    if (name.isEmpty()) {
        return {};
    }
    return m_path + QLatin1String("/Contents/MacOS/") + name;
}

QString Bundle::bundleIdentifier() const {
    return m_info.value(QStringLiteral("CFBundleIdentifier")).toString();
}

QString Bundle::pathForResource(const QString& name, const QString& type) const {
    if (name.isEmpty()) {
        return {};
    }
    QString file = resourcePath() + u'/' + name;
    if (!type.isEmpty()) {
        file += u'.' + type;
    }
    return QFileInfo::exists(file) ? file : QString();
}

QString Bundle::localizedStringForKey(const QString& key, const QString& value,
                                      const QString& table) const {
    if (key.isNull()) {
        return value;
    }
    const QString context = table.isEmpty() ? QStringLiteral("Localizable") : table;
    const QByteArray contextBytes = context.toUtf8();
    const QByteArray keyBytes = key.toUtf8();
    for (const auto& translator : m_translators) {
        const QString text = translator->translate(contextBytes.constData(), keyBytes.constData());
        if (!text.isEmpty()) {
            return text;
        }
    }
    return value.isEmpty() ? key : value;
}

void Bundle::loadTranslations() {
    const QString dir = resourcePath();
    auto local = std::make_unique<QTranslator>();
    if (local->load(QLocale(), QStringLiteral("zorva"), QStringLiteral("_"), dir) &&
        local->language() != QLatin1String("en")) {
        m_translators.push_back(std::move(local));
    }
    auto english = std::make_unique<QTranslator>();
    if (english->load(QStringLiteral("zorva_en"), dir)) {
        m_translators.push_back(std::move(english));
    }
}

} // namespace platform
