#include "Platform/DBusContract.h"

#include <QLatin1StringView>

namespace platform::contract {

namespace {

QLatin1StringView view(std::string_view text) {
    return QLatin1StringView(text.data(), qsizetype(text.size()));
}

QStringList allNames(const Member& member) {
    return QString(view(member.argumentNames)).split(u' ', Qt::SkipEmptyParts);
}

} // namespace

QStringList Member::inNames() const {
    return allNames(*this).mid(0, splitSignature(inSignature()).size());
}

QStringList Member::outNames() const {
    return allNames(*this).mid(splitSignature(inSignature()).size());
}

const Member* Interface::find(const QString& member) const {
    for (const Member& candidate : members) {
        if (member == view(candidate.name)) {
            return &candidate;
        }
    }
    return nullptr;
}

const Member* Interface::find(const QDBusMessage& call) const {
    const QString interface = call.interface();
    if (!interface.isEmpty() && interface != name) {
        return nullptr;
    }
    return find(call.member());
}

QString Interface::introspectionXml() const {
    const auto arguments = [](const QString& signature, const QStringList& names,
                              QLatin1StringView direction) {
        QString xml;
        const QStringList types = splitSignature(signature);
        for (qsizetype i = 0; i < types.size(); ++i) {
            xml += QStringLiteral("      <arg name=\"%1\" type=\"%2\" direction=\"%3\"/>\n")
                       .arg(names.value(i, QStringLiteral("arg%1").arg(i)), types.at(i), direction);
        }
        return xml;
    };
    QString xml = QStringLiteral("  <interface name=\"%1\">\n").arg(name);
    for (const Member& member : members) {
        xml += QStringLiteral("    <method name=\"%1\">\n").arg(member.memberName());
        xml += arguments(member.inSignature(), member.inNames(), QLatin1StringView("in"));
        xml += arguments(member.outSignature(), member.outNames(), QLatin1StringView("out"));
        if (member.call == Call::OneWay) {
            xml += QStringLiteral("      <annotation name=\"org.freedesktop.DBus.Method.NoReply\" "
                                  "value=\"true\"/>\n");
        }
        xml += QStringLiteral("    </method>\n");
    }
    return xml + QStringLiteral("  </interface>\n");
}

QStringList splitSignature(const QString& signature) {
    QStringList types;
    for (qsizetype i = 0; i < signature.size(); ++i) {
        if (signature.at(i) == u'a' && i + 1 < signature.size()) {
            types << signature.mid(i, 2);
            ++i;
        } else {
            types << QString(signature.at(i));
        }
    }
    return types;
}

} // namespace platform::contract
