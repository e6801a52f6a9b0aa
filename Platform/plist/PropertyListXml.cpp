#include "Platform/plist/PropertyListXml.h"

#include "Platform/plist/Libplist.h"
#include "Platform/plist/PropertyList.h"

#include <QDateTime>
#include <QTimeZone>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace platform::plist::xml {

namespace {

// ---- reading ----------------------------------------------------------------

// UTF-8 text as a string, a leading U+FEFF kept (QString::fromUtf8 drops it,
// the binary form keeps it); nothing for bytes that are not UTF-8, which
// libplist would read differently.
std::optional<QString> utf8Text(QByteArrayView bytes) {
    if (!bytes.isValidUtf8()) {
        return std::nullopt;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return QChar(0xFEFF) + QString::fromUtf8(bytes.sliced(3));
    }
    return QString::fromUtf8(bytes);
}

class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_begin(bytes.constData()), m_p(bytes.constData()),
          m_end(bytes.constData() + bytes.size()) {}

    QVariant document() {
        skipMisc(true);
        if (m_failed) {
            return {};
        }
        // Only the plain forms of the plist tag; any other attribute text is left
        // to the general codec.
        if (!consume("<plist>") && !consume("<plist version=\"1.0\">")) {
            return {};
        }
        skipMisc(false);
        QVariant root = value(0);
        if (!root.isValid()) {
            return {};
        }
        skipMisc(false);
        if (!consume("</plist>")) {
            return {};
        }
        skipMisc(false);
        return m_p == m_end && !m_failed ? root : QVariant();
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    const char* find(char c) const {
        const void* at = std::memchr(m_p, c, static_cast<size_t>(m_end - m_p));
        return static_cast<const char*>(at);
    }

    bool startsWith(const char* text) const {
        const size_t n = std::strlen(text);
        return static_cast<size_t>(m_end - m_p) >= n && std::memcmp(m_p, text, n) == 0;
    }

    bool consume(const char* text) {
        if (!startsWith(text)) {
            return false;
        }
        m_p += std::strlen(text);
        return true;
    }

    // White space and comments; in the prolog also the declaration and doctype.
    void skipMisc(bool prolog) {
        for (;;) {
            while (m_p < m_end && isSpace(*m_p)) {
                ++m_p;
            }
            if (startsWith("<!--")) {
                const char* at = findText("-->", m_p + 4);
                m_p = at == nullptr ? m_end : at + 3;
                if (at == nullptr) {
                    m_failed = true;
                }
            } else if (prolog && m_p == m_begin && startsWith("<?xml")) {
                // The declarations writers produce; any other is left to the
                // general codec.
                if (!consume("<?xml version=\"1.0\" encoding=\"UTF-8\"?>") &&
                    !consume("<?xml version=\"1.0\" encoding=\"utf-8\"?>") &&
                    !consume("<?xml version=\"1.0\"?>")) {
                    m_failed = true;
                    m_p = m_end;
                    return;
                }
            } else if (prolog && startsWith("<!DOCTYPE")) {
                // Only Apple's document type; an internal subset could declare
                // entities.
                if (!consume("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">") &&
                    !consume("<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">")) {
                    m_failed = true;
                    m_p = m_end;
                    return;
                }
            } else {
                return;
            }
        }
    }

    const char* findText(const char* text, const char* from) const {
        const size_t n = std::strlen(text);
        for (const char* p = from; p + n <= m_end; ++p) {
            p = static_cast<const char*>(std::memchr(p, text[0], static_cast<size_t>(m_end - p)));
            if (p == nullptr || p + n > m_end) {
                return nullptr;
            }
            if (std::memcmp(p, text, n) == 0) {
                return p;
            }
        }
        return nullptr;
    }

    // The text up to "</name>", entities decoded; nullopt on anything unusual.
    // Without entities the text is a view into the document.
    std::optional<QByteArrayView> text(const char* name) {
        const char* lt = find('<');
        if (lt == nullptr) {
            return std::nullopt;
        }
        const char* start = m_p;
        m_p = lt;
        if (!consume("</") || !consume(name) || !consume(">")) {
            return std::nullopt;
        }
        bool entities = false;
        for (const char* p = start; p < lt; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c < 0x20 && !isSpace(*p)) {
                return std::nullopt;
            }
            entities = entities || c == '&';
        }
        if (!entities) {
            return QByteArrayView(start, lt - start);
        }
        auto decoded = decodeEntities(QByteArray(start, lt - start));
        if (!decoded) {
            return std::nullopt;
        }
        m_decoded = std::move(*decoded); // lives until the next text()
        return QByteArrayView(m_decoded);
    }

    // Keys repeat in every record: one shared string per distinct key.
    QString internKey(QByteArrayView key) {
        const std::string_view view(key.data(), static_cast<size_t>(key.size()));
        auto it = m_keys.find(view);
        if (it != m_keys.end()) {
            return it->second;
        }
        const auto text = utf8Text(key);
        if (!text) {
            m_failed = true;
            return {};
        }
        QString string = *text;
        if (key.data() >= m_begin && key.data() < m_end) {
            m_keys.emplace(view, string); // only views into the document stay valid
        }
        return string;
    }

    static std::optional<QByteArray> decodeEntities(const QByteArray& raw) {
        QByteArray out;
        out.reserve(raw.size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            if (raw.at(i) != '&') {
                out.append(raw.at(i));
                continue;
            }
            const qsizetype semi = raw.indexOf(';', i);
            if (semi < 0) {
                return std::nullopt;
            }
            const QByteArray name = raw.mid(i + 1, semi - i - 1);
            if (name == "lt") {
                out.append('<');
            } else if (name == "gt") {
                out.append('>');
            } else if (name == "amp") {
                out.append('&');
            } else if (name == "quot") {
                out.append('"');
            } else if (name == "apos") {
                out.append('\'');
            } else if (name.startsWith('#')) {
                bool ok = false;
                const uint code = name.startsWith("#x") ? name.mid(2).toUInt(&ok, 16)
                                                        : name.mid(1).toUInt(&ok, 10);
                if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
                    (code < 0x20 && code != 9 && code != 10 && code != 13)) {
                    return std::nullopt;
                }
                const char32_t c = code;
                out.append(QString::fromUcs4(&c, 1).toUtf8());
            } else {
                return std::nullopt;
            }
            i = semi;
        }
        return out;
    }

    QVariant value(int depth) {
        if (m_failed || depth > kMaxDepth || m_p >= m_end || *m_p != '<') {
            return {};
        }
        if (consume("<dict>")) {
            QVariantMap map;
            for (;;) {
                skipMisc(false);
                if (consume("</dict>")) {
                    return map;
                }
                if (!consume("<key>")) {
                    return {};
                }
                const auto keyText = text("key");
                if (!keyText) {
                    return {};
                }
                QString key = internKey(*keyText);
                if (m_failed) {
                    return {};
                }
                skipMisc(false);
                QVariant item = value(depth + 1);
                if (!item.isValid()) {
                    return {};
                }
                map.insert(std::move(key), std::move(item));
            }
        }
        if (consume("<array>")) {
            QVariantList list;
            for (;;) {
                skipMisc(false);
                if (consume("</array>")) {
                    return list;
                }
                QVariant item = value(depth + 1);
                if (!item.isValid()) {
                    return {};
                }
                list.append(std::move(item));
            }
        }
        if (consume("<dict/>")) {
            return QVariantMap();
        }
        if (consume("<array/>")) {
            return QVariantList();
        }
        if (consume("<string/>")) {
            return QStringLiteral("");
        }
        if (consume("<true/>")) {
            return true;
        }
        if (consume("<false/>")) {
            return false;
        }
        if (consume("<string>")) {
            const auto t = text("string");
            const auto string = t ? utf8Text(*t) : std::nullopt;
            return string ? QVariant(*string) : QVariant();
        }
        if (consume("<integer>")) {
            const auto t = text("integer");
            return t ? integer(t->trimmed()) : QVariant();
        }
        if (consume("<real>")) {
            auto t = text("real");
            if (!t) {
                return {};
            }
            const QByteArrayView digits = t->trimmed();
            double d = 0;
            const auto [end, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), d);
            if (error != std::errc() || end != digits.data() + digits.size() || digits.isEmpty()) {
                return {};
            }
            return QVariant(d);
        }
        if (consume("<data>")) {
            auto t = text("data");
            if (!t) {
                return {};
            }
            QByteArray compact;
            for (const char c : *t) {
                if (!isSpace(c)) {
                    compact.append(c);
                }
            }
            // libplist drops an unpadded last group.
            if (compact.size() % 4 != 0) {
                return {};
            }
            auto decoded =
                QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
            return decoded ? QVariant(*decoded) : QVariant();
        }
        if (consume("<date>")) {
            auto t = text("date");
            if (!t) {
                return {};
            }
            const QDateTime date =
                QDateTime::fromString(QString::fromLatin1(t->trimmed().toByteArray()),
                                      QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
            if (!date.isValid()) {
                return {};
            }
            return QDateTime(date.date(), date.time(), QTimeZone::utc());
        }
        return {};
    }

    // Integers keep their 64 bits: up to INT64_MAX as qint64, above as quint64,
    // negative numbers as the unsigned number of the same bits. Decimal only:
    // libplist reads a leading 0 as octal and 0x as hexadecimal, so those, and
    // "-0", are left to it.
    static QVariant integer(QByteArrayView digits) {
        const char* first = digits.data();
        const char* last = digits.data() + digits.size();
        if (digits.isEmpty()) {
            return {};
        }
        const char* lead = *first == '-' ? first + 1 : first;
        if (lead < last && *lead == '0' && (lead + 1 < last || lead != first)) {
            return {};
        }
        if (*first == '-') {
            qint64 v = 0;
            const auto [end, error] = std::from_chars(first, last, v);
            if (error != std::errc() || end != last) {
                return {};
            }
            return QVariant(static_cast<quint64>(v));
        }
        quint64 v = 0;
        const auto [end, error] = std::from_chars(first, last, v);
        if (error != std::errc() || end != last) {
            return {};
        }
        if (v <= static_cast<quint64>(std::numeric_limits<qint64>::max())) {
            return QVariant(static_cast<qint64>(v));
        }
        return QVariant(v);
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    bool m_failed = false;
    QByteArray m_decoded;
    std::unordered_map<std::string_view, QString> m_keys;
};

// ---- writing ----------------------------------------------------------------

bool appendEscaped(QByteArray& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    bool plain = true;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (u == '&' || u == '<' || u == '>' || u < 0x20) {
            plain = false;
            break;
        }
    }
    if (plain) {
        out.append(utf8);
        return true;
    }
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out.append("&amp;");
            break;
        case '<':
            out.append("&lt;");
            break;
        case '>':
            out.append("&gt;");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                return false;
            }
            out.append(c);
        }
    }
    return true;
}

template <typename Number>
void appendNumber(QByteArray& out, Number value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void indent(QByteArray& out, int depth) {
    out.append(depth, '\t');
}

bool write(QByteArray& out, const QVariant& value, int depth) {
    if (depth > kMaxDepth) {
        return false;
    }
    // Negative numbers are stored as the unsigned number of the same bits, as the
    // general codec does.
    if (const auto bits = integerBits(value)) {
        out.append("<integer>");
        appendNumber(out, *bits);
        out.append("</integer>");
        return true;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        out.append(value.toBool() ? "<true/>" : "<false/>");
        return true;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d)) {
            return false;
        }
        out.append("<real>");
        appendNumber(out, d); // the shortest text that reads back as the same number
        out.append("</real>");
        return true;
    }
    case QMetaType::QString:
        out.append("<string>");
        if (!appendEscaped(out, value.toString())) {
            return false;
        }
        out.append("</string>");
        return true;
    case QMetaType::QByteArray:
        out.append("<data>");
        out.append(value.toByteArray().toBase64());
        out.append("</data>");
        return true;
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime().toUTC();
        if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999) {
            return false;
        }
        out.append("<date>");
        out.append(date.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")).toLatin1());
        out.append("</date>");
        return true;
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        if (list.isEmpty()) {
            out.append("<array/>");
            return true;
        }
        out.append("<array>\n");
        for (const QVariant& item : list) {
            indent(out, depth + 1);
            if (!write(out, item, depth + 1)) {
                return false;
            }
            out.append('\n');
        }
        indent(out, depth);
        out.append("</array>");
        return true;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        if (map.isEmpty()) {
            out.append("<dict/>");
            return true;
        }
        out.append("<dict>\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            indent(out, depth + 1);
            out.append("<key>");
            if (!appendEscaped(out, it.key())) {
                return false;
            }
            out.append("</key>\n");
            indent(out, depth + 1);
            if (!write(out, it.value(), depth + 1)) {
                return false;
            }
            out.append('\n');
        }
        indent(out, depth);
        out.append("</dict>");
        return true;
    }
    default:
        return false;
    }
}

} // namespace

QVariant parse(const QByteArray& bytes) {
    return Reader(bytes).document();
}

QByteArray serialize(const QVariant& value) {
    QByteArray out;
    out.reserve(64 * 1024);
    out.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
               "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
               "<plist version=\"1.0\">\n");
    if (!write(out, value, 0)) {
        return {};
    }
    out.append("\n</plist>\n");
    return out;
}

} // namespace platform::plist::xml
