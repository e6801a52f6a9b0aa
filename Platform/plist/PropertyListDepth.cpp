#include "Platform/plist/PropertyListDepth.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace platform::plist {

namespace {

constexpr char kBinaryMagic[] = "bplist00";
constexpr qsizetype kTrailerSize = 32;

uint64_t readBigEndian(const unsigned char* p, int size) {
    switch (size) {
    case 1:
        return p[0];
    case 2:
        return (uint64_t(p[0]) << 8) | p[1];
    default:
        break;
    }
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

class BinaryList {
public:
    explicit BinaryList(const QByteArray& bytes)
        : m_data(reinterpret_cast<const unsigned char*>(bytes.constData())),
          m_size(static_cast<uint64_t>(bytes.size())) {}

    bool nestingWithin(int maxDepth) {
        if (m_size < 8 + kTrailerSize) {
            return false;
        }
        const unsigned char* trailer = m_data + m_size - kTrailerSize;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        const uint64_t count = readBigEndian(trailer + 8, 8);
        const uint64_t top = readBigEndian(trailer + 16, 8);
        const uint64_t table = readBigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || count == 0 ||
            top >= count || table >= m_size - kTrailerSize ||
            count > (m_size - kTrailerSize - table) / m_offsetSize) {
            return false;
        }
        m_count = count;
        m_table = table;
        return height(top, maxDepth);
    }

private:
    // Offset of object i, or 0 when it lies outside the object area.
    uint64_t offsetOf(uint64_t i) const {
        const uint64_t offset = readBigEndian(m_data + m_table + i * m_offsetSize, m_offsetSize);
        return offset >= 8 && offset < m_table ? offset : 0;
    }

    // Where an object's references start and how many it holds; false when
    // they do not fit.
    bool references(uint64_t i, uint64_t* start, uint64_t* count) const {
        *count = 0;
        uint64_t p = offsetOf(i);
        if (p == 0) {
            return false;
        }
        const unsigned char marker = m_data[p++];
        const int type = marker >> 4;
        if (type != 0xA && type != 0xB && type != 0xC && type != 0xD) {
            return true;
        }
        uint64_t n = marker & 0x0F;
        if (n == 0x0F) {
            if (p >= m_table || (m_data[p] >> 4) != 0x1) {
                return false;
            }
            const int size = 1 << (m_data[p] & 0x0F);
            ++p;
            if (size > 8 || p + static_cast<uint64_t>(size) > m_table) {
                return false;
            }
            n = readBigEndian(m_data + p, size);
            p += static_cast<uint64_t>(size);
        }
        if (type == 0xD) {
            if (n > m_count) {
                return false;
            }
            n *= 2;
        }
        if (n > (m_table - p) / m_refSize) {
            return false;
        }
        *start = p;
        *count = n;
        return true;
    }

    uint64_t referenceAt(uint64_t start, uint64_t k) const {
        return readBigEndian(m_data + start + k * m_refSize, m_refSize);
    }

    // Height of the object graph below top (a value counts 1, a container 1
    // more than its highest element), by a depth-first walk without recursion;
    // false on a cycle, a bad object or a height above maxDepth + 1.
    bool height(uint64_t top, int maxDepth) {
        enum : unsigned char { New, Open, Done };
        // The state and height of each object, in one allocation.
        std::vector<int> heights(static_cast<size_t>(m_count) * 2, 0);
        int* state = heights.data() + m_count;
        struct Frame {
            uint64_t object;
            uint64_t start;
            uint64_t count;
            uint64_t next;
            int highest;
        };
        std::vector<Frame> stack;
        stack.reserve(32);
        const auto open = [&](uint64_t object) {
            Frame frame{object, 0, 0, 0, 0};
            if (!references(object, &frame.start, &frame.count)) {
                return false;
            }
            state[static_cast<size_t>(object)] = Open;
            stack.push_back(frame);
            return static_cast<int>(stack.size()) <= maxDepth + 1;
        };
        if (!open(top)) {
            return false;
        }
        while (!stack.empty()) {
            Frame& frame = stack.back();
            if (frame.next == frame.count) {
                const int h = frame.highest + 1;
                const auto object = static_cast<size_t>(frame.object);
                state[object] = Done;
                heights[object] = h;
                stack.pop_back();
                if (h > maxDepth + 1) {
                    return false;
                }
                if (!stack.empty() && stack.back().highest < h) {
                    stack.back().highest = h;
                }
                continue;
            }
            const uint64_t child = referenceAt(frame.start, frame.next++);
            if (child >= m_count) {
                return false;
            }
            const auto c = static_cast<size_t>(child);
            if (state[c] == Open) {
                return false;
            }
            if (state[c] == Done) {
                if (frame.highest < heights[c]) {
                    frame.highest = heights[c];
                }
                continue;
            }
            if (!open(child)) {
                return false;
            }
        }
        return true;
    }

    const unsigned char* m_data;
    uint64_t m_size;
    int m_offsetSize = 0;
    int m_refSize = 0;
    uint64_t m_count = 0;
    uint64_t m_table = 0;
};

const char* findText(const char* from, const char* end, const char* text) {
    const size_t n = std::strlen(text);
    for (const char* p = from; end - p >= static_cast<std::ptrdiff_t>(n); ++p) {
        p = static_cast<const char*>(std::memchr(p, text[0], static_cast<size_t>(end - p)));
        if (p == nullptr || end - p < static_cast<std::ptrdiff_t>(n)) {
            return nullptr;
        }
        if (std::memcmp(p, text, n) == 0) {
            return p;
        }
    }
    return nullptr;
}

bool startsWith(const char* p, const char* end, const char* text) {
    const size_t n = std::strlen(text);
    return end - p >= static_cast<std::ptrdiff_t>(n) && std::memcmp(p, text, n) == 0;
}

// Where the markup starting at '<' ends, by the reading that makes it longest:
// a comment, CDATA section or processing instruction up to its terminator, a
// tag or declaration up to its '>' with quoted text and a bracketed internal
// subset skipped, and at least up to the first '>'. The end of the bytes when
// it does not end.
const char* markupEnd(const char* p, const char* end) {
    const char* gt = static_cast<const char*>(std::memchr(p, '>', static_cast<size_t>(end - p)));
    const char* first = gt == nullptr ? end : gt + 1;
    const char* last = end;
    const auto after = [&](const char* terminator) {
        const char* at = findText(p + 2, end, terminator);
        return at == nullptr ? end : at + std::strlen(terminator);
    };
    if (startsWith(p, end, "<!--")) {
        last = after("-->");
    } else if (startsWith(p, end, "<![CDATA[")) {
        last = after("]]>");
    } else if (startsWith(p, end, "<?")) {
        last = after("?>");
    } else {
        char quote = 0;
        int brackets = 0;
        for (const char* q = p + 1; q < end; ++q) {
            if (quote != 0) {
                quote = *q == quote ? 0 : quote;
            } else if (*q == '"' || *q == '\'') {
                quote = *q;
            } else if (*q == '[') {
                ++brackets;
            } else if (*q == ']') {
                brackets -= brackets > 0 ? 1 : 0;
            } else if (*q == '>' && brackets == 0) {
                last = q + 1;
                break;
            }
        }
    }
    return first > last ? first : last;
}

bool isSimpleEnd(const char* p, const char* end, const char* name) {
    // "</name", optional white space, '>', and nothing else.
    if (!startsWith(p, end, "</") || !startsWith(p + 2, end, name)) {
        return false;
    }
    const char* q = p + 2 + std::strlen(name);
    while (q < end && (*q == ' ' || *q == '\t' || *q == '\n' || *q == '\r')) {
        ++q;
    }
    return q + 1 == end && *q == '>';
}

// Counts so that no reading of the markup can nest deeper than the count: every
// "<array" and "<dict" opens a level wherever it stands (inside comments, CDATA,
// attribute values too), except the exact empty forms <array/> and <dict/>, and
// a level closes only at a plain end tag that no reading puts inside other
// markup. Text in comments may therefore make a list fail; a list that closes
// more than it opened fails too.
bool xmlNestingWithin(const QByteArray& bytes, int maxDepth) {
    int depth = 0;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) !=
           nullptr) {
        const char* markup = markupEnd(p, end);
        if (isSimpleEnd(p, markup, "array") || isSimpleEnd(p, markup, "dict")) {
            if (--depth < 0) {
                return false;
            }
            p = markup;
            continue;
        }
        for (const char* q = p; q < markup; ++q) {
            q = static_cast<const char*>(std::memchr(q, '<', static_cast<size_t>(markup - q)));
            if (q == nullptr) {
                break;
            }
            const bool array = startsWith(q, markup, "<array");
            const bool dict = startsWith(q, markup, "<dict");
            if ((array && !startsWith(q, markup, "<array/>")) ||
                (dict && !startsWith(q, markup, "<dict/>"))) {
                if (++depth > maxDepth) {
                    return false;
                }
            }
        }
        p = markup;
    }
    return true;
}

} // namespace

bool nestingWithin(const QByteArray& bytes, int maxDepth) {
    if (bytes.startsWith(kBinaryMagic)) {
        return BinaryList(bytes).nestingWithin(maxDepth);
    }
    return xmlNestingWithin(bytes, maxDepth);
}

} // namespace platform::plist
