#pragma once

#include <QByteArray>

namespace platform::plist {

// Whether the property-list bytes (binary or XML) nest arrays and dictionaries
// at most maxDepth levels deep, checked on the bytes themselves before they are
// handed to the parser, which would exhaust the stack on a hostile input of a
// few hundred kilobytes. Binary lists whose references form a cycle or point
// outside the list, or whose tables do not fit, fail too. XML is judged by its
// <array> and <dict> tags, counted so that comments, CDATA sections, processing
// instructions, declarations and attribute values can only make the count
// higher than any parser's, never lower: such text may make a list fail, and
// closing more levels than were opened fails too.
bool nestingWithin(const QByteArray& bytes, int maxDepth);

} // namespace platform::plist
