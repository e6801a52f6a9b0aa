#pragma once

#include "Platform/archive/KeyedArchive.h"

#include <QString>
#include <memory>

// What the registry, the writer and the reader of keyed archives share; used only
// by the files of this folder.
namespace platform::detail {

// A trace line of the codec, in the IPC category: archives are what crosses the
// process boundary.
void trace(const QString& message);

// The registered record class holding values of that meta type, or of that
// "$classname"; null when there is none.
std::shared_ptr<const ArchivableClass> classForType(int typeId);
std::shared_ptr<const ArchivableClass> classForName(const QString& name);

// The meta type of a shared dictionary (std::shared_ptr<QVariantMap>).
int entryTypeId();

} // namespace platform::detail
