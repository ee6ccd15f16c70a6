#pragma once
// A strict, bounded well-formedness check for XML text that comes from outside the plug-in (a
// host's saved state) before the framework's parser sees it. The framework's parser trusts its
// input: some malformed texts (an unterminated "<?" inside an element, for one) make it loop
// forever, which freezes the host, and it descends one call per nesting level, so a deep enough
// document overflows the stack. The check runs an independent parser (expat) over the whole text
// in time proportional to its length and accepts only one complete, shallow document.
#include <string_view>

namespace ravlin::plugin {
/** Deepest element nesting accepted: our documents nest three levels (<zub>, <programs>,
    <program>); the limit leaves room for foreign elements without letting a recursive parser
    run out of stack. */
inline constexpr int maxXmlDepth = 64;

/** True when `text` is exactly one well-formed XML document in UTF-8, nested at most
    `maxXmlDepth` elements deep, without a document type declaration (none of our texts has one,
    and a declaration brings entity definitions the framework's parser expands on its own).
    Character references must name XML characters, every tag and processing instruction must be
    closed, and nothing but white space, comments and processing instructions may follow the root
    element. Never throws; any parser failure, including running out of memory, is a refusal. */
bool isWellFormedXml(std::string_view text) noexcept;
} // namespace ravlin::plugin
