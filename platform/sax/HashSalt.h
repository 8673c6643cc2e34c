#pragma once
// The salt of an XML parser's name hashing, drawn from the system's random source. Without one of
// its own, expat draws a fresh salt from the kernel every time a parse starts after a reset; a
// reader that takes one salt when its parser is made and sets it again after each reset keeps the
// protection against hash flooding without a system call per document.

namespace sax {

// Never 0 (expat's "draw one yourself").
[[nodiscard]] unsigned long NewHashSalt();

} // namespace sax
