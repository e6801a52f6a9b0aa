#include "support/OldStylePropertyList.h"

#include <QVariantMap>
#include <optional>

namespace testsupport {

namespace {

// One pass over the text; every reader returns nothing on malformed text.
struct Parser {
    const QString& text;
    qsizetype pos = 0;

    bool take(QChar c) {
        while (pos < text.size() && text.at(pos).isSpace()) {
            ++pos;
        }
        const bool found = pos < text.size() && text.at(pos) == c;
        pos += found ? 1 : 0;
        return found;
    }

    std::optional<QVariant> value(int depth) {
        if (depth > 64 || !take(u'{')) {
            const auto s = depth > 64 ? std::nullopt : string();
            return s ? std::optional<QVariant>(*s) : std::nullopt;
        }
        QVariantMap map;
        while (!take(u'}')) {
            const auto key = string();
            const auto item = key && take(u'=') ? value(depth + 1) : std::nullopt;
            if (!item || !take(u';')) {
                return std::nullopt;
            }
            map.insert(*key, *item);
        }
        return map;
    }

    static bool isBare(QChar c) {
        return (c.unicode() < 0x80 && c.isLetterOrNumber()) || QStringLiteral("_$/:.-").contains(c);
    }

    std::optional<QString> string() {
        if (!take(u'"')) {
            const qsizetype start = pos;
            while (pos < text.size() && isBare(text.at(pos))) {
                ++pos;
            }
            return pos == start ? std::nullopt : std::optional(text.mid(start, pos - start));
        }
        QString out;
        while (pos + 1 < text.size() || (pos < text.size() && text.at(pos) == u'"')) {
            const QChar c = text.at(pos++);
            if (c == u'"') {
                return out;
            }
            const QChar e = c == u'\\' ? text.at(pos++) : c;
            bool ok = c != u'\\' || e != u'U';
            if (!ok && pos + 4 <= text.size()) {
                out += QChar(static_cast<char16_t>(text.mid(pos, 4).toUInt(&ok, 16)));
                pos += 4;
            } else if (c == u'\\') {
                // \" \\ and any other character stand for themselves
                out += e == u'n' ? u'\n' : e == u't' ? u'\t' : e == u'r' ? u'\r' : e;
            } else {
                out += c;
            }
            if (!ok) {
                return std::nullopt;
            }
        }
        return std::nullopt; // unterminated
    }
};

} // namespace

QVariant parseOldStylePropertyList(const QString& text) {
    Parser parser{text};
    const auto result = parser.value(0);
    parser.take(u' '); // skips the trailing space
    return result && parser.pos == text.size() ? *result : QVariant();
}

} // namespace testsupport
