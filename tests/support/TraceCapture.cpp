#include "support/TraceCapture.h"

#include "ZorvaHIDDeviceLibrary/Sources/Common/HVTrace.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace testsupport {

TraceCapture::TraceCapture(int threshold) : m_path(m_dir.path() + u"/trace.log"_s) {
    HVTrace::setTraceFilePath(m_path);
    HVTrace::setLogSeverity(threshold);
    HVTrace::setTraceOn(true);
}

TraceCapture::~TraceCapture() {
    HVTrace::setTraceOn(false);
}

QString TraceCapture::text() const {
    return QString::fromUtf8(readFile(m_path));
}

QByteArray TraceCapture::take() {
    const QByteArray bytes = readFile(m_path);
    QFile::remove(m_path);
    return bytes;
}

QStringList TraceCapture::records() const {
    static const QRegularExpression start(u"\\n(?=\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  )"_s);
    QStringList parts = text().split(start);
    QStringList out;
    for (const QString& part : parts) {
        if (part.size() >= 21) {
            out.append(part.mid(21));
        }
    }
    return out;
}

bool TraceCapture::contains(const QString& category, const QString& severity,
                            const QString& message) const {
    return records().contains(category + u' ' + severity + u' ' + message);
}

int TraceCapture::count(const QString& message) const {
    int n = 0;
    for (const QString& record : records()) {
        if (record.endsWith(u' ' + message)) {
            ++n;
        }
    }
    return n;
}

} // namespace testsupport
