#include "Platform/AtomicFile.h"

#include <QSaveFile>

namespace platform {

bool writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // QSaveFile buffers: a failure can surface only when the buffer is flushed,
    // and commit() would then still put the short file in place. Flush first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
