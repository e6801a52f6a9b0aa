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
                out += e; // \" \\ and any other character stand for themselves
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
