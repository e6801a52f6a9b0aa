#include "support/OldStylePropertyList.h"

#include <QVariantList>
#include <QVariantMap>
#include <optional>

namespace testsupport {

namespace {

class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    std::optional<QVariant> document() {
        auto value = parseValue(0);
        skipSpace();
        if (!value || m_pos != m_text.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    static bool isBare(QChar c) {
        return (c.unicode() < 0x80 && c.isLetterOrNumber()) || QStringLiteral("_$/:.-").contains(c);
    }

    void skipSpace() {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace()) {
            ++m_pos;
        }
    }

    bool take(QChar c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text.at(m_pos) == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    std::optional<QVariant> parseValue(int depth) {
        if (depth > 64) {
            return std::nullopt;
        }
        skipSpace();
        if (m_pos >= m_text.size()) {
            return std::nullopt;
        }
        const QChar c = m_text.at(m_pos);
        if (c == u'{') {
            return parseDictionary(depth);
        }
        if (c == u'(') {
            return parseArray(depth);
        }
        if (c == u'<') {
            return parseData();
        }
        auto s = parseString();
        if (!s) {
            return std::nullopt;
        }
        return QVariant(*s);
    }

    std::optional<QVariant> parseDictionary(int depth) {
        ++m_pos;
        QVariantMap map;
        while (!take(u'}')) {
            auto key = parseString();
            if (!key || !take(u'=')) {
                return std::nullopt;
            }
            auto value = parseValue(depth + 1);
            if (!value || !take(u';')) {
                return std::nullopt;
            }
            map.insert(*key, *value);
        }
        return QVariant(map);
    }

    std::optional<QVariant> parseArray(int depth) {
        ++m_pos;
        QVariantList list;
        if (take(u')')) {
            return QVariant(list);
        }
        while (true) {
            auto value = parseValue(depth + 1);
            if (!value) {
                return std::nullopt;
            }
            list.append(*value);
            if (take(u')')) {
                return QVariant(list);
            }
            if (!take(u',')) {
                return std::nullopt;
            }
            if (take(u')')) { // a trailing comma is allowed
                return QVariant(list);
            }
        }
    }

    std::optional<QVariant> parseData() {
        ++m_pos;
        QByteArray hex;
        while (m_pos < m_text.size() && m_text.at(m_pos) != u'>') {
            const QChar c = m_text.at(m_pos++);
            if (c.isSpace()) {
                continue;
            }
            if (!isxdigit(c.toLatin1())) {
                return std::nullopt;
            }
            hex += c.toLatin1();
        }
        if (m_pos >= m_text.size() || hex.size() % 2 != 0) {
            return std::nullopt;
        }
        ++m_pos;
        return QVariant(QByteArray::fromHex(hex));
    }

    std::optional<QString> parseString() {
        skipSpace();
        if (m_pos >= m_text.size()) {
            return std::nullopt;
        }
        if (m_text.at(m_pos) != u'"') {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && isBare(m_text.at(m_pos))) {
                ++m_pos;
            }
            if (m_pos == start) {
                return std::nullopt;
            }
            return m_text.mid(start, m_pos - start);
        }
        ++m_pos;
        QString out;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c == u'"') {
                return out;
            }
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) {
                return std::nullopt;
            }
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case u'n':
                out += u'\n';
                break;
            case u't':
                out += u'\t';
                break;
            case u'r':
                out += u'\r';
                break;
            case u'a':
                out += QChar(0x07);
                break;
            case u'b':
                out += QChar(0x08);
                break;
            case u'f':
                out += QChar(0x0c);
                break;
            case u'v':
                out += QChar(0x0b);
                break;
            case u'U': {
                if (m_pos + 4 > m_text.size()) {
                    return std::nullopt;
                }
                bool ok = false;
                const uint unit = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok) {
                    return std::nullopt;
                }
                out += QChar(static_cast<char16_t>(unit));
                m_pos += 4;
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    uint value = e.unicode() - u'0';
                    for (int i = 0; i < 2 && m_pos < m_text.size() && m_text.at(m_pos) >= u'0' &&
                                    m_text.at(m_pos) <= u'7';
                         ++i) {
                        value = value * 8 + (m_text.at(m_pos++).unicode() - u'0');
                    }
                    out += QChar(static_cast<char16_t>(value));
                } else {
                    out += e; // \" \\ \' and any other character stand for themselves
                }
            }
        }
        return std::nullopt; // unterminated
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

QVariant parseOldStylePropertyList(const QString& text) {
    Parser parser(text);
    return parser.document().value_or(QVariant());
}

} // namespace testsupport
