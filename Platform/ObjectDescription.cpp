#include "Platform/ObjectDescription.h"

#include <QDateTime>
#include <QMutex>
#include <QStringList>
#include <QTimeZone>
#include <vector>

namespace platform {

namespace {

struct DescriberRegistry {
    QMutex mutex;
    std::vector<Describer> describers;
};

DescriberRegistry& registry() {
    static DescriberRegistry instance;
    return instance;
}

bool isPlainCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
           u == u'_' || u == u'$' || u == u'/' || u == u':' || u == u'.' || u == u'-';
}

QString indentText(int indent) {
    return QString(indent * 4, u' ');
}

QString describeNested(const QVariant& value, int indent) {
    // Inside a collection strings are quoted as the old-style text requires.
    if (value.typeId() == QMetaType::QString) {
        return quotedPropertyListString(value.toString());
    }
    return describeIndented(value, indent);
}

} // namespace

QString quotedPropertyListString(const QString& text) {
    bool plain = !text.isEmpty();
    for (QChar c : text) {
        if (!isPlainCharacter(c)) {
            plain = false;
            break;
        }
    }
    if (plain) {
        return text;
    }
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (u < 0x20 || u >= 0x7f) {
                out += QStringLiteral("\\U%1").arg(static_cast<uint>(u), 4, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    out += u'"';
    return out;
}

void registerDescriber(Describer describer) {
    auto& reg = registry();
    QMutexLocker lock(&reg.mutex);
    reg.describers.push_back(std::move(describer));
}

QString describeIndented(const QVariant& value, int indent) {
    if (!value.isValid()) {
        return QStringLiteral("(null)");
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().isNull() ? QStringLiteral("(null)") : value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::SChar:
    case QMetaType::Char:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return u'<' + QString::fromLatin1(value.toByteArray().toHex()) + u'>';
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
               QStringLiteral(" +0000");
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        if (list.isEmpty()) {
            return QStringLiteral("(\n") + indentText(indent) + u')';
        }
        QString out = QStringLiteral("(\n");
        for (qsizetype i = 0; i < list.size(); ++i) {
            out += indentText(indent + 1) + describeNested(list.at(i), indent + 1);
            out += (i + 1 < list.size()) ? QStringLiteral(",\n") : QStringLiteral("\n");
        }
        return out + indentText(indent) + u')';
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap(); // QMap keeps keys in ascending order
        QString out = QStringLiteral("{\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            out += indentText(indent + 1) + quotedPropertyListString(it.key()) +
                   QStringLiteral(" = ") + describeNested(it.value(), indent + 1) +
                   QStringLiteral(";\n");
        }
        return out + indentText(indent) + u'}';
    }
    default:
        break;
    }
    std::vector<Describer> describers;
    {
        auto& reg = registry();
        QMutexLocker lock(&reg.mutex);
        describers = reg.describers;
    }
    for (const auto& describer : describers) {
        QString text = describer(value, indent);
        if (!text.isNull()) {
            return text;
        }
    }
    if (value.canConvert<QString>()) {
        return value.toString();
    }
    return QString::fromLatin1(value.typeName() ? value.typeName() : "(null)");
}

QString describe(const QVariant& value) {
    return describeIndented(value, 0);
}

} // namespace platform
