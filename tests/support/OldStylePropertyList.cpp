#include "support/OldStylePropertyList.h"

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
        return m_pos == m_text.size() ? value : std::nullopt;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }

    void skipSpace() {
        while (!atEnd() && m_text.at(m_pos).isSpace()) {
            ++m_pos;
        }
    }

    bool take(QChar c) {
        skipSpace();
        const bool found = !atEnd() && m_text.at(m_pos) == c;
        m_pos += found ? 1 : 0;
        return found;
    }

    std::optional<QVariant> parseValue(int depth) {
        if (depth > 64) {
            return std::nullopt;
        }
        if (!take(u'{')) {
            auto text = parseString();
            return text ? std::optional<QVariant>(*text) : std::nullopt;
        }
        QVariantMap map;
        while (!take(u'}')) {
            const auto key = parseString();
            const auto value = key && take(u'=') ? parseValue(depth + 1) : std::nullopt;
            if (!value || !take(u';')) {
                return std::nullopt;
            }
            map.insert(*key, *value);
        }
        return map;
    }

    std::optional<QString> parseString() {
        skipSpace();
        if (!take(u'"')) {
            const qsizetype start = m_pos;
            while (!atEnd() &&
                   ((m_text.at(m_pos).unicode() < 0x80 && m_text.at(m_pos).isLetterOrNumber()) ||
                    QStringLiteral("_$/:.-").contains(m_text.at(m_pos)))) {
                ++m_pos;
            }
            return m_pos == start ? std::nullopt : std::optional(m_text.mid(start, m_pos - start));
        }
        QString out;
        while (!atEnd()) {
            const QChar c = m_text.at(m_pos++);
            if (c == u'"') {
                return out;
            }
            if (c != u'\\') {
                out += c;
            } else if (atEnd()) {
                return std::nullopt;
            } else if (const QChar e = m_text.at(m_pos++); e != u'U') {
                // \" \\ and any other character stand for themselves
                out += e == u'n' ? u'\n' : e == u't' ? u'\t' : e == u'r' ? u'\r' : e;
            } else {
                bool ok = false;
                const uint unit = m_text.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok || m_pos + 4 > m_text.size()) {
                    return std::nullopt;
                }
                out += QChar(static_cast<char16_t>(unit));
                m_pos += 4;
            }
        }
        return std::nullopt; // unterminated
    }

    const QString& m_text;
    qsizetype m_pos = 0;
};

} // namespace

QVariant parseOldStylePropertyList(const QString& text) {
    return Parser(text).document().value_or(QVariant());
}

} // namespace testsupport
