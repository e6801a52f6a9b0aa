#include "Platform/ObjectDescription.h"
#include "Platform/archive/KeyedArchiveInternal.h"
#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"

#include <QHash>
#include <QReadWriteLock>
#include <mutex>

// The registry of record classes.

namespace platform {

namespace detail {

void trace(const QString& message) {
    HVTrace::writeLine(message, hvtrace::kIPC, hvtrace::kHigh);
}

} // namespace detail

using detail::classForName;
using detail::classForType;
using detail::entryTypeId;

namespace {

struct Registry {
    QReadWriteLock lock;
    QHash<QString, std::shared_ptr<const ArchivableClass>> byName;
    QHash<int, std::shared_ptr<const ArchivableClass>> byType;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// Describes records and shared maps in trace lines.
QString describeArchivable(const QVariant& value, int indent) {
    if (value.typeId() == entryTypeId()) {
        const auto map = value.value<std::shared_ptr<QVariantMap>>();
        return map ? describeIndented(QVariant(*map), indent) : QStringLiteral("(null)");
    }
    const auto cls = classForType(value.typeId());
    if (!cls || !cls->describe) {
        return {};
    }
    return cls->describe(value, indent);
}

void ensureDescriberRegistered() {
    static std::once_flag once;
    std::call_once(once, [] { registerDescriber(&describeArchivable); });
}

} // namespace

namespace detail {

std::shared_ptr<const ArchivableClass> classForType(int typeId) {
    auto& reg = registry();
    QReadLocker lock(&reg.lock);
    return reg.byType.value(typeId);
}

std::shared_ptr<const ArchivableClass> classForName(const QString& name) {
    auto& reg = registry();
    QReadLocker lock(&reg.lock);
    return reg.byName.value(name);
}

int entryTypeId() {
    static const int id = qMetaTypeId<std::shared_ptr<QVariantMap>>();
    return id;
}

} // namespace detail

void registerArchivableClass(ArchivableClass cls) {
    ensureDescriberRegistered();
    if (cls.classes.isEmpty()) {
        cls.classes = QStringList{cls.className, QStringLiteral("NSObject")};
    }
    auto shared = std::make_shared<const ArchivableClass>(std::move(cls));
    auto& reg = registry();
    QWriteLocker lock(&reg.lock);
    reg.byName.insert(shared->className, shared);
    if (shared->type.isValid()) {
        reg.byType.insert(shared->type.id(), shared);
    }
}

bool isArchivableClassRegistered(const QString& className) {
    return classForName(className) != nullptr;
}

} // namespace platform
