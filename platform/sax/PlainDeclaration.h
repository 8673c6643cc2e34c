#pragma once
// Recognises the plain XML declaration that nearly every service answer opens with, so the reader
// can hand expat the document from its root element on: for a short answer expat spends as long
// on the declaration as on everything else, and without one it reads UTF-8 all the same.
//
// Only a declaration that is certainly well-formed and says nothing but version 1.0 and (perhaps)
// UTF-8 is recognised, on one line, with the root element's start tag following it (after white
// space at most). Anything else, a standalone declaration, another encoding, a comment, a
// processing instruction or a document type declaration next, is left to expat whole.

#include <cstddef>
#include <string_view>

namespace sax {

// The length of the plain declaration that `start` opens with, or 0 when it opens otherwise.
[[nodiscard]] std::size_t PlainDeclarationLength(std::string_view start);

} // namespace sax
