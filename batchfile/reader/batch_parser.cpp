// The statement parser: quotes, carets, the characters that join commands, redirections,
// blocks, if and for.
#include "batchfile/reader/batch_parser.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"
#include "batchfile/reader/batch_syntax.h"

namespace batchfile::syntax {
namespace {

constexpr int kMaxNesting = 64;

}  // namespace

std::vector<Node> Parser::Sequence() {
    std::vector<Node> nodes;
    while (true) {
        while (m_i < m_s.size() && (IsBlank(m_s[m_i]) || m_s[m_i] == '\n' || m_s[m_i] == '&' || m_s[m_i] == '|'))
            ++m_i;
        if (m_i >= m_s.size())
            break;
        if (m_s[m_i] == ')') {
            if (m_depth > 0)
                break;
            SkipToLineEnd();  // a stray ")" outside a block makes the rest of the line a remark
            continue;
        }
        Node node;
        if (Command(node))
            nodes.push_back(std::move(node));
    }
    return nodes;
}

int Parser::LineAt(std::size_t at) const {
    if (m_lineOf.empty())
        return 0;
    return m_lineOf[at < m_lineOf.size() ? at : m_lineOf.size() - 1];
}

void Parser::SkipBlanks() {
    while (m_i < m_s.size() && IsBlank(m_s[m_i]))
        ++m_i;
}

void Parser::SkipToLineEnd() {
    while (m_i < m_s.size() && m_s[m_i] != '\n')
        ++m_i;
}

// The next word without consuming it, for keywords: up to a blank or a special character.
std::string Parser::PeekWord() const {
    std::size_t j = m_i;
    while (j < m_s.size() && !IsBlank(m_s[j]) && m_s[j] != '\n' && m_s[j] != '(' && !Special(m_s[j]) &&
           m_s[j] != ',' && m_s[j] != ';' && m_s[j] != '=')
        ++j;
    return base::AsciiLower(m_s.substr(m_i, j - m_i));
}

// A quote-aware operand; `stopAtEquals` ends it at "=" as in "a==b".
std::string Parser::Operand(bool stopAtEquals) {
    std::string word;
    bool quoted = false;
    while (m_i < m_s.size() && m_s[m_i] != '\n') {
        const char c = m_s[m_i];
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (IsBlank(c) || (stopAtEquals && c == '=') || Special(c)))
            break;
        word.push_back(c);
        ++m_i;
    }
    return word;
}

// One command at a command position: leading blanks, "@" and the delimiters ",;=" go, as
// the interpreter skips them. False when there is nothing to run (a label, a remark).
bool Parser::Command(Node& node) {
    while (m_i < m_s.size() && (IsBlank(m_s[m_i]) || m_s[m_i] == '@' || m_s[m_i] == ',' || m_s[m_i] == ';' ||
                                m_s[m_i] == '='))
        ++m_i;
    if (AtEnd())
        return false;
    node.line = LineAt(m_i);
    if (++m_nesting > kMaxNesting) {
        node.kind = Node::Kind::Bad;
        m_i = m_s.size();
        return true;
    }
    const bool made = CommandAt(node);
    --m_nesting;
    return made;
}

bool Parser::CommandAt(Node& node) {
    if (m_s[m_i] == ':') {  // a label, or "::" written as a remark
        SkipToLineEnd();
        return false;
    }
    if (m_s[m_i] == '(') {
        ++m_i;
        ++m_depth;
        node.kind = Node::Kind::Block;
        node.children = Sequence();
        if (m_i < m_s.size() && m_s[m_i] == ')') {
            ++m_i;
            --m_depth;
        } else {
            incomplete = true;
            --m_depth;
            return true;
        }
        SkipBlanks();
        while (m_i < m_s.size() && (m_s[m_i] == '>' || m_s[m_i] == '<' ||
                                    (std::isdigit(static_cast<unsigned char>(m_s[m_i])) &&
                                     m_i + 1 < m_s.size() && m_s[m_i + 1] == '>'))) {
            if (std::isdigit(static_cast<unsigned char>(m_s[m_i])))
                ++m_i;
            Redirection(node);
            SkipBlanks();
        }
        return true;
    }
    const std::string word = PeekWord();
    if (word == "rem" || (word.size() > 3 && word.compare(0, 4, "rem/") == 0)) {
        SkipToLineEnd();
        return false;
    }
    if (word == "if") {
        m_i += 2;
        If(node);
        return true;
    }
    if (word == "for") {
        m_i += 3;
        For(node);
        return true;
    }
    Simple(node);
    return true;
}

// ">", ">>" or "<" and the name after it, which ends at a blank or a special character
// outside quotes. The caller has taken off a handle digit before it.
void Parser::Redirection(Node& node) {
    const char op = m_s[m_i++];
    if (op == '>' && m_i < m_s.size() && m_s[m_i] == '>')
        ++m_i;
    if (m_i < m_s.size() && m_s[m_i] == '&') {  // "2>&1": a handle, not a file
        ++m_i;
        while (m_i < m_s.size() && std::isdigit(static_cast<unsigned char>(m_s[m_i])))
            ++m_i;
        return;
    }
    SkipBlanks();
    std::string target;
    bool quoted = false;
    while (m_i < m_s.size() && m_s[m_i] != '\n') {
        const char c = m_s[m_i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (IsBlank(c) || Special(c))) {
            break;
        } else if (!quoted && c == '^' && m_i + 1 < m_s.size()) {
            target.push_back(m_s[++m_i]);
            ++m_i;
            continue;
        }
        target.push_back(c);
        ++m_i;
    }
    node.redirects.push_back({op == '>', target});
}

// A plain command: up to "&", "|", the end of the line or, inside a block, a ")" outside
// quotes. Carets escape the next character and go; quotes stay for the command to read.
void Parser::Simple(Node& node) {
    node.kind = Node::Kind::Command;
    bool quoted = false;
    while (m_i < m_s.size() && m_s[m_i] != '\n') {
        const char c = m_s[m_i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == '^') {
            if (m_i + 1 < m_s.size() && m_s[m_i + 1] != '\n')
                node.text.push_back(m_s[m_i + 1]);
            m_i = std::min(m_i + 2, m_s.size());  // a caret that ends the text escapes nothing
            continue;
        } else if (!quoted && (c == '>' || c == '<')) {
            // A lone digit before ">" names the handle ("2>nul"), not a word of the command.
            const std::string& t = node.text;
            if (!t.empty() && std::isdigit(static_cast<unsigned char>(t.back())) &&
                (t.size() == 1 || IsBlank(t[t.size() - 2])))
                node.text.pop_back();
            Redirection(node);
            continue;
        } else if (!quoted && Special(c)) {
            break;
        }
        node.text.push_back(c);
        ++m_i;
    }
}

// if [/i] [not] exist|defined|errorlevel X cmd, or a comparison "a==b" / "a EQU b"; only the
// name of "exist" is kept, since the disk may decide it. "else" is recognised only after a
// parenthesised branch, as the interpreter does; otherwise it is a word of the command.
void Parser::If(Node& node) {
    node.kind = Node::Kind::If;
    SkipBlanks();
    if (PeekWord() == "/i") {
        m_i += 2;
        node.ifIgnoreCase = true;
        SkipBlanks();
    }
    if (PeekWord() == "not") {
        m_i += 3;
        node.ifNot = true;
        SkipBlanks();
    }
    const std::string keyword = PeekWord();
    if (keyword == "exist" || keyword == "defined" || keyword == "errorlevel" || keyword == "cmdextversion") {
        m_i += keyword.size();
        SkipBlanks();
        const std::string operand = Operand(false);
        if (keyword == "exist")
            node.ifExist = operand;
        else if (keyword == "defined")
            node.ifDefined = operand;
    } else {
        node.ifLeft = Operand(true);
        SkipBlanks();
        if (m_i < m_s.size() && m_s[m_i] == '=') {
            while (m_i < m_s.size() && m_s[m_i] == '=')
                ++m_i;
            node.ifOp = "==";
        } else {
            node.ifOp = base::AsciiLower(Operand(false));  // EQU, NEQ, LSS, LEQ, GTR, GEQ
        }
        SkipBlanks();
        node.ifRight = Operand(false);
    }
    Node then;
    if (!Command(then)) {
        node.kind = Node::Kind::Bad;
        return;
    }
    node.children.push_back(std::move(then));
    if (node.children.front().kind != Node::Kind::Block)
        return;
    SkipBlanks();
    if (PeekWord() == "else") {
        m_i += 4;
        Node otherwise;
        if (Command(otherwise))
            node.children.push_back(std::move(otherwise));
    }
}

// for [/d|/r [root]|/l|/f ["options"]] %x in (set) do cmd; the set may span lines inside a
// block and ends at the first ")" outside quotes.
void Parser::For(Node& node) {
    node.kind = Node::Kind::For;
    SkipBlanks();
    if (!ForSwitches(node) || m_i + 1 >= m_s.size() || m_s[m_i] != '%' || IsBlank(m_s[m_i + 1])) {
        node.kind = Node::Kind::Bad;
        return;
    }
    node.forVar = m_s[m_i + 1];
    m_i += 2;
    SkipBlanks();
    if (PeekWord() != "in") {
        node.kind = Node::Kind::Bad;
        return;
    }
    m_i += 2;
    SkipBlanks();
    if (m_i >= m_s.size() || m_s[m_i] != '(') {
        node.kind = Node::Kind::Bad;
        return;
    }
    ++m_i;
    bool quoted = false;
    while (m_i < m_s.size() && (quoted || m_s[m_i] != ')')) {
        if (m_s[m_i] == '"')
            quoted = !quoted;
        node.forSet.push_back(m_s[m_i] == '\n' ? ' ' : m_s[m_i]);
        ++m_i;
    }
    if (m_i >= m_s.size()) {
        incomplete = true;
        node.kind = Node::Kind::Bad;
        return;
    }
    ++m_i;
    SkipBlanks();
    Node body;
    if (PeekWord() != "do" || (m_i += 2, !Command(body))) {
        node.kind = Node::Kind::Bad;
        return;
    }
    node.children.push_back(std::move(body));
}

// The switches before the loop variable, with the root of /r and the options of /f; false
// for a switch for does not know.
bool Parser::ForSwitches(Node& node) {
    while (m_i < m_s.size() && m_s[m_i] == '/') {
        std::size_t j = m_i;
        while (j < m_s.size() && !IsBlank(m_s[j]) && m_s[j] != '\n')
            ++j;
        const std::string flag = base::AsciiLower(m_s.substr(m_i, j - m_i));
        m_i = j;
        SkipBlanks();
        if (flag != "/d" && flag != "/r" && flag != "/l" && flag != "/f")
            return false;
        if (node.forSwitch != "/r")
            node.forSwitch = flag;
        if (flag == "/r" && m_i < m_s.size() && m_s[m_i] != '%')
            node.forRoot = Operand(false);
        else if (flag == "/f" && m_i < m_s.size() && m_s[m_i] == '"')
            node.forOptions = Operand(false);
        SkipBlanks();
    }
    return true;
}

std::vector<Node> ParseStatement(const std::string& text, const std::vector<int>& lineOf, bool& incomplete) {
    Parser parser(text, lineOf);
    std::vector<Node> nodes = parser.Sequence();
    incomplete = parser.incomplete;
    return nodes;
}

}  // namespace batchfile::syntax
