#include "webservice/soap/CSecretMasker.h"

#include <algorithm>

namespace {

// Headers whose values are credentials; compared without regard to case.
constexpr std::string_view kSecretHeaders[] = {"Authorization", "Proxy-Authorization"};

bool EndsName(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace

CSecretMasker::CSecretMasker(std::span<const std::string> secretElements)
    : m_secrets(secretElements) {}

bool CSecretMasker::IsSecretHeader(std::string_view name) {
    return std::any_of(std::begin(kSecretHeaders), std::end(kSecretHeaders),
                       [name](std::string_view secret) { return SameIgnoringCase(name, secret); });
}

bool CSecretMasker::IsSecret(std::string_view qualifiedName) const {
    const std::size_t colon = qualifiedName.rfind(':');
    const std::string_view local =
        colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
    return std::find(m_secrets.begin(), m_secrets.end(), local) != m_secrets.end();
}

void CSecretMasker::Emit(std::string_view text, std::string& out) const {
    if (m_depth == 0) {
        out.append(text);
    }
}

void CSecretMasker::Emit(char c, std::string& out) const {
    if (m_depth == 0) {
        out.push_back(c);
    }
}

void CSecretMasker::Feed(std::string_view piece, std::string& out) {
    for (const char c : piece) {
        Step(c, out);
    }
}

void CSecretMasker::Finish(std::string& out) {
    if (m_state == State::Open || m_state == State::StartName || m_state == State::EndName) {
        Emit(m_name, out);
    }
    m_state = State::Text;
    m_name.clear();
    m_nameTooLong = m_endTag = m_secretTag = false;
    m_quote = m_last = 0;
    m_depth = 0;
    m_recent.clear();
    m_brackets = 0;
}

void CSecretMasker::Step(char c, std::string& out) {
    switch (m_state) {
    case State::Text:
        if (c == '<') {
            m_state = State::Open;
            // Cleared and pushed: GCC 12 mistakes assigning a literal here for an overlapping copy.
            m_name.clear();
            m_name.push_back(c);
        } else {
            Emit(c, out);
        }
        return;
    case State::Open:
        return StepOpen(c, out);
    case State::StartName:
    case State::EndName:
        return StepName(c, out);
    case State::InTag:
        return StepTag(c, out);
    case State::Bang:
        return StepBang(c, out);
    case State::Comment:
    case State::CData:
    case State::Instruction:
    case State::Declaration:
        return StepSkipped(c, out);
    }
}

void CSecretMasker::StepOpen(char c, std::string& out) {
    m_recent.clear();
    if (c == '!' || c == '?') {
        m_name.push_back(c);
        Emit(m_name, out);
        m_name.clear();
        m_state = c == '!' ? State::Bang : State::Instruction;
        return;
    }
    m_endTag = c == '/';
    m_state = m_endTag ? State::EndName : State::StartName;
    if (m_endTag) {
        m_name.push_back(c);
    } else {
        StepName(c, out);
    }
}

void CSecretMasker::StepName(char c, std::string& out) {
    if (EndsName(c)) {
        EndName(out);
        m_state = State::InTag;
        StepTag(c, out);
    } else if (m_nameTooLong) {
        Emit(c, out);
    } else if (m_name.size() >= kMaxName + 2) {
        // Longer than any secret's name: shown as it comes, never held back further.
        m_nameTooLong = true;
        Emit(m_name, out);
        m_name.clear();
        Emit(c, out);
    } else {
        m_name.push_back(c);
    }
}

void CSecretMasker::EndName(std::string& out) {
    if (m_endTag) {
        // The secret's own end tag brings the depth to 0 and shows again.
        if (m_depth > 0) {
            --m_depth;
        }
    } else {
        m_secretTag =
            m_depth == 0 && !m_nameTooLong && IsSecret(std::string_view(m_name).substr(1));
    }
    Emit(m_name, out);
    m_name.clear();
    m_nameTooLong = false;
    m_quote = m_last = 0;
}

void CSecretMasker::StepTag(char c, std::string& out) {
    Emit(c, out);
    if (m_quote != 0) {
        if (c == m_quote) {
            m_quote = 0;
            m_last = c;
        }
        return;
    }
    if (c == '"' || c == '\'') {
        m_quote = c;
    } else if (c == '>') {
        EndTag(out);
        m_state = State::Text;
    } else if (!IsSpace(c)) {
        m_last = c;
    }
}

void CSecretMasker::EndTag(std::string& out) {
    const bool empty = m_last == '/';
    if (!m_endTag && !empty) {
        if (m_depth > 0) {
            ++m_depth;
        } else if (m_secretTag) {
            out.append(kMask);
            m_depth = 1;
        }
    }
    m_secretTag = false;
}

void CSecretMasker::StepBang(char c, std::string& out) {
    Emit(c, out);
    m_recent.push_back(c);
    constexpr std::string_view kComment = "--";
    constexpr std::string_view kCData = "[CDATA[";
    if (m_recent == kComment || m_recent == kCData) {
        m_state = m_recent == kComment ? State::Comment : State::CData;
        m_recent.clear();
    } else if (!kComment.starts_with(m_recent) && !kCData.starts_with(m_recent)) {
        // A declaration; its first characters may already open a subset or end it.
        const std::string seen = std::move(m_recent);
        m_recent.clear();
        m_state = State::Declaration;
        m_brackets = 0;
        for (const char early : seen) {
            if (m_state == State::Declaration) {
                StepDeclaration(early);
            }
        }
    }
}

void CSecretMasker::StepDeclaration(char c) {
    if (c == '[') {
        ++m_brackets;
    } else if (c == ']' && m_brackets > 0) {
        --m_brackets;
    } else if (c == '>' && m_brackets == 0) {
        m_state = State::Text;
    }
}

void CSecretMasker::StepSkipped(char c, std::string& out) {
    Emit(c, out);
    if (m_state == State::Declaration) {
        return StepDeclaration(c);
    }
    m_recent.push_back(c);
    if (m_recent.size() > 3) {
        m_recent.erase(0, 1);
    }
    const std::string_view end = m_state == State::Comment ? "-->"
                                 : m_state == State::CData ? "]]>"
                                                           : "?>";
    if (std::string_view(m_recent).ends_with(end)) {
        m_state = State::Text;
        m_recent.clear();
    }
}
