#pragma once
// Hides the content of secret elements (a password) in XML that arrives in pieces, for traces. The
// text between a secret's start tag and its matching end tag, in whatever form it was written
// (plain, CDATA, entities, comments, nested elements), becomes "********"; the rest passes
// unchanged. The result is the same however the input is split.
//
// The scanner reads markup well enough to find where secrets begin and end, no further:
//
//   text     := ( chars | markup )*
//   markup   := "<" name attrs ">"            start tag ("/>" ends an empty one)
//             | "</" name ws* ">"             end tag
//             | "<!--" ... "-->"              comment
//             | "<![CDATA[" ... "]]>"         CDATA section
//             | "<?" ... "?>"                 processing instruction
//             | "<!" ( [...] | chars )* ">"   declaration, with an optional bracketed subset
//   attrs    := any characters, where ">" inside '...' or "..." does not end the tag
//
// A secret is an element whose local name (after any prefix) is in the secret list. Only a tag's
// name is held back until it ends, and a name longer than kMaxName is never a secret, so the
// memory used stays fixed whatever the input.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CSecretMasker {
public:
    static constexpr std::string_view kMask = "********";
    static constexpr std::size_t kMaxName = 256;

    explicit CSecretMasker(std::span<const std::string> secretElements);

    // Appends to `out` what may be shown of `piece`.
    void Feed(std::string_view piece, std::string& out);
    // Appends what is still held back at the end of the input, and starts afresh.
    void Finish(std::string& out);

    // True for the header names whose values are credentials (Authorization and the like).
    [[nodiscard]] static bool IsSecretHeader(std::string_view name);

private:
    enum class State {
        Text,
        Open,      // after "<"
        StartName, // in the name of a start tag
        EndName,   // in the name of an end tag
        InTag,     // after a tag's name, up to its ">"
        Bang,      // after "<!", telling a comment, CDATA and a declaration apart
        Comment,
        CData,
        Instruction,
        Declaration,
    };

    void Step(char c, std::string& out);
    void StepOpen(char c, std::string& out);
    void StepName(char c, std::string& out);
    void StepTag(char c, std::string& out);
    void StepBang(char c, std::string& out);
    void StepSkipped(char c, std::string& out);
    void StepDeclaration(char c);
    void EndName(std::string& out);
    void EndTag(std::string& out);
    void Emit(std::string_view text, std::string& out) const;
    void Emit(char c, std::string& out) const;
    [[nodiscard]] bool IsSecret(std::string_view qualifiedName) const;

    std::span<const std::string> m_secrets;
    State m_state = State::Text;
    std::string m_name; // the tag name held back, with its "<" or "</"
    bool m_nameTooLong = false;
    bool m_endTag = false;
    bool m_secretTag = false; // the start tag being read opens a secret
    char m_quote = 0;         // the quote an attribute value is in, or 0
    char m_last = 0;          // the last character of a tag, to see "/>"
    std::size_t m_depth = 0;  // open elements inside a secret, the secret itself included
    std::string m_recent;     // the last characters of a comment, CDATA or instruction
    int m_brackets = 0;       // the subset depth inside a declaration
};
