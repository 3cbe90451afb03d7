// The command interpreter's statement grammar, far enough to know which commands run and on
// which names: quotes, carets, "&" "&&" "|" "||", redirections, "( ... )" blocks, if and for.
#include "batchfile/batch_syntax.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "batchfile/batch_paths.h"

namespace batchfile::syntax {
namespace {

constexpr int kMaxNesting = 64;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A recursive reader over one statement's text. Blocks nest; "&", "&&", "|", "||" and the
// line breaks inside a block all just separate commands, since every command is followed.
class Parser {
public:
    Parser(const std::string& text, const std::vector<int>& lineOf) : m_s(text), m_lineOf(lineOf) {}

    std::vector<Node> Sequence() {
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

    bool incomplete = false;

private:
    int LineAt(std::size_t at) const {
        if (m_lineOf.empty())
            return 0;
        return m_lineOf[at < m_lineOf.size() ? at : m_lineOf.size() - 1];
    }
    void SkipBlanks() {
        while (m_i < m_s.size() && IsBlank(m_s[m_i]))
            ++m_i;
    }
    void SkipToLineEnd() {
        while (m_i < m_s.size() && m_s[m_i] != '\n')
            ++m_i;
    }
    bool AtEnd() const { return m_i >= m_s.size() || m_s[m_i] == '\n'; }
    bool Special(char c) const { return c == '&' || c == '|' || c == '<' || c == '>' || (c == ')' && m_depth > 0); }

    // The next word without consuming it, for keywords: up to a blank or a special character.
    std::string PeekWord() const {
        std::size_t j = m_i;
        while (j < m_s.size() && !IsBlank(m_s[j]) && m_s[j] != '\n' && m_s[j] != '(' && !Special(m_s[j]) &&
               m_s[j] != ',' && m_s[j] != ';' && m_s[j] != '=')
            ++j;
        return paths::Fold(m_s.substr(m_i, j - m_i));
    }

    // A quote-aware operand; `stopAtEquals` ends it at "=" as in "a==b".
    std::string Operand(bool stopAtEquals) {
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
    bool Command(Node& node) {
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

    bool CommandAt(Node& node) {
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
    void Redirection(Node& node) {
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
    void Simple(Node& node) {
        node.kind = Node::Kind::Command;
        bool quoted = false;
        while (m_i < m_s.size() && m_s[m_i] != '\n') {
            const char c = m_s[m_i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && c == '^') {
                if (m_i + 1 < m_s.size() && m_s[m_i + 1] != '\n')
                    node.text.push_back(m_s[m_i + 1]);
                m_i += 2;
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

    // if [/i] [not] exist|defined|errorlevel X cmd, or a comparison "a==b" / "a EQU b"; the
    // condition itself is not kept, since both branches are followed. "else" is recognised only
    // after a parenthesised branch, as the interpreter does; otherwise it is a word of the command.
    void If(Node& node) {
        node.kind = Node::Kind::If;
        SkipBlanks();
        if (PeekWord() == "/i") {
            m_i += 2;
            SkipBlanks();
        }
        if (PeekWord() == "not") {
            m_i += 3;
            SkipBlanks();
        }
        const std::string keyword = PeekWord();
        if (keyword == "exist" || keyword == "defined" || keyword == "errorlevel" || keyword == "cmdextversion") {
            m_i += keyword.size();
            SkipBlanks();
            Operand(false);
        } else {
            Operand(true);
            SkipBlanks();
            if (m_i < m_s.size() && m_s[m_i] == '=') {
                while (m_i < m_s.size() && m_s[m_i] == '=')
                    ++m_i;
            } else {
                Operand(false);  // EQU, NEQ, LSS, LEQ, GTR, GEQ
            }
            SkipBlanks();
            Operand(false);
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
    void For(Node& node) {
        node.kind = Node::Kind::For;
        SkipBlanks();
        while (m_i < m_s.size() && m_s[m_i] == '/') {
            std::size_t j = m_i;
            while (j < m_s.size() && !IsBlank(m_s[j]) && m_s[j] != '\n')
                ++j;
            const std::string flag = paths::Fold(m_s.substr(m_i, j - m_i));
            m_i = j;
            SkipBlanks();
            if (flag != "/d" && flag != "/r" && flag != "/l" && flag != "/f") {
                node.kind = Node::Kind::Bad;
                return;
            }
            if (node.forSwitch != "/r")
                node.forSwitch = flag;
            if (flag == "/r" && m_i < m_s.size() && m_s[m_i] != '%')
                node.forRoot = Operand(false);
            else if (flag == "/f" && m_i < m_s.size() && m_s[m_i] == '"')
                node.forOptions = Operand(false);
            SkipBlanks();
        }
        if (m_i + 1 >= m_s.size() || m_s[m_i] != '%' || IsBlank(m_s[m_i + 1])) {
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

    const std::string& m_s;
    const std::vector<int>& m_lineOf;
    std::size_t m_i = 0;
    int m_depth = 0;
    int m_nesting = 0;
};

// A whole decimal number, as the substring edits take them.
bool ParseNumber(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == '\0';
}

}  // namespace

std::vector<Node> ParseStatement(const std::string& text, const std::vector<int>& lineOf, bool& incomplete) {
    Parser parser(text, lineOf);
    std::vector<Node> nodes = parser.Sequence();
    incomplete = parser.incomplete;
    return nodes;
}

bool EndsWithContinuation(const std::string& line) {
    bool quoted = false, escaped = false;
    for (const char c : line) {
        if (escaped) {
            escaped = false;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (c == '^' && !quoted)
            escaped = true;
    }
    return escaped;
}

std::string EditValue(const std::string& value, const std::string& edit) {
    if (value.find(kUnknown) != std::string::npos)
        return std::string(1, kUnknown);
    if (!edit.empty() && edit[0] == '~') {
        const std::string range = edit.substr(1);
        const std::size_t comma = range.find(',');
        long start = 0, length = 0;
        if (!ParseNumber(range.substr(0, comma), start) ||
            (comma != std::string::npos && !ParseNumber(range.substr(comma + 1), length)))
            return value;
        const long size = static_cast<long>(value.size());
        if (start < 0)
            start = start + size < 0 ? 0 : start + size;
        if (start > size)
            start = size;
        long end = size;
        if (comma != std::string::npos)
            end = length < 0 ? size + length : (length > size - start ? size : start + length);
        return end <= start ? std::string() : value.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
    }
    const std::size_t equals = edit.find('=');
    if (equals == std::string::npos || equals == 0)
        return value;
    std::string from = edit.substr(0, equals);
    const std::string to = edit.substr(equals + 1);
    const std::string folded = paths::Fold(value);
    if (from[0] == '*') {  // "*text=new": everything up to the first "text" is replaced
        from.erase(0, 1);
        if (from.empty())
            return to + value;
        const std::size_t at = folded.find(paths::Fold(from));
        return at == std::string::npos ? value : to + value.substr(at + from.size());
    }
    const std::string foldedFrom = paths::Fold(from);
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = folded.find(foldedFrom, at)) != std::string::npos; at = hit + from.size())
        out += value.substr(at, hit - at) + to;
    return out + value.substr(at);
}

std::vector<std::string> SplitWords(const std::string& text, const char* delimiters) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (IsBlank(c) || std::string(delimiters).find(c) != std::string::npos)) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

std::string WithoutQuotes(const std::string& word) {
    std::string out;
    for (const char c : word)
        if (c != '"')
            out.push_back(c);
    return out;
}

std::optional<std::vector<std::string>> ForTokens(const std::string& options, const std::string& line) {
    std::string delims = " \t";
    char eol = ';';
    long skip = 0;
    std::vector<int> wanted = {1};
    bool rest = false;
    const std::string folded = paths::Fold(options);
    std::size_t i = 0;
    while (i < options.size()) {
        if (IsBlank(options[i])) {
            ++i;
        } else if (folded.compare(i, 7, "delims=") == 0) {
            // The delimiters run to the end, or to a blank before another option; a blank
            // right after "=" is a delimiter itself.
            std::size_t end = i + 7;
            for (; end < options.size(); ++end) {
                bool another = false;
                for (const char* option : {"tokens=", "eol=", "skip=", "usebackq", "delims="})
                    another = another || folded.compare(end + 1, std::char_traits<char>::length(option), option) == 0;
                if (end > i + 7 && IsBlank(options[end]) && another)
                    break;
            }
            delims = options.substr(i + 7, end - i - 7);
            i = end;
        } else if (folded.compare(i, 4, "eol=") == 0 && i + 4 < options.size()) {
            eol = options[i + 4];
            i += 5;
        } else if (folded.compare(i, 5, "skip=") == 0) {
            std::size_t end = i + 5;
            while (end < options.size() && std::isdigit(static_cast<unsigned char>(options[end])))
                ++end;
            if (!ParseNumber(options.substr(i + 5, end - i - 5), skip))
                return std::nullopt;
            i = end;
        } else if (folded.compare(i, 7, "tokens=") == 0) {
            std::size_t end = i + 7;
            while (end < options.size() && !IsBlank(options[end]))
                ++end;
            wanted.clear();
            std::string tokens = options.substr(i + 7, end - i - 7);
            if (!tokens.empty() && tokens.back() == '*') {
                rest = true;
                tokens.pop_back();
            }
            for (const std::string& part : SplitWords(tokens, ",")) {
                const std::size_t dash = part.find('-');
                long from = 0, to = 0;
                if (!ParseNumber(part.substr(0, dash), from) ||
                    !ParseNumber(dash == std::string::npos ? part : part.substr(dash + 1), to) || from < 1 || to < from || to > 31)
                    return std::nullopt;
                for (long k = from; k <= to; ++k)
                    wanted.push_back(static_cast<int>(k));
            }
            std::sort(wanted.begin(), wanted.end());
            wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
            i = end;
        } else if (folded.compare(i, 8, "usebackq") == 0) {
            i += 8;
        } else {
            return std::nullopt;
        }
    }
    std::vector<std::string> values;
    if (skip > 0 || line.empty() || line[0] == eol)
        return values;
    // Tokens are the runs between delimiters; "*" takes what follows the last wanted token.
    std::vector<std::pair<std::size_t, std::size_t>> tokens;
    for (std::size_t at = 0; at < line.size();) {
        while (at < line.size() && delims.find(line[at]) != std::string::npos)
            ++at;
        if (at >= line.size())
            break;
        std::size_t end = at;
        while (end < line.size() && delims.find(line[end]) == std::string::npos)
            ++end;
        tokens.emplace_back(at, end);
        at = end;
    }
    std::size_t after = 0;
    for (const int k : wanted) {
        if (static_cast<std::size_t>(k) <= tokens.size()) {
            values.push_back(line.substr(tokens[k - 1].first, tokens[k - 1].second - tokens[k - 1].first));
            after = tokens[k - 1].second;
        } else {
            values.emplace_back();
        }
    }
    if (rest) {
        while (after < line.size() && delims.find(line[after]) != std::string::npos)
            ++after;
        values.push_back(line.substr(after));
    }
    if (values.empty() || values.front().empty())
        values.clear();  // a line with no first token gives no run
    return values;
}

}  // namespace batchfile::syntax
