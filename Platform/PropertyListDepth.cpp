#include "Platform/PropertyListDepth.h"

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

bool xmlNestingWithin(const QByteArray& bytes, int maxDepth) {
    int depth = 0;
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p)))) !=
           nullptr) {
        ++p;
        const bool closing = p < end && *p == '/';
        const char* name = closing ? p + 1 : p;
        int length = 0;
        if (end - name >= 5 && std::memcmp(name, "array", 5) == 0) {
            length = 5;
        } else if (end - name >= 4 && std::memcmp(name, "dict", 4) == 0) {
            length = 4;
        } else {
            continue;
        }
        const char* after = name + length;
        // Skip to the end of the tag to tell <array/> from <array>.
        const char* close =
            static_cast<const char*>(std::memchr(after, '>', static_cast<size_t>(end - after)));
        if (close == nullptr) {
            return true; // cut short: the parser refuses it
        }
        if (closing) {
            --depth;
        } else if (close[-1] != '/') {
            if (++depth > maxDepth) {
                return false;
            }
        }
        p = close;
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
