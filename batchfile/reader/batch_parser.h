// The statement parser: how the command interpreter splits a statement into commands, blocks,
// if and for, after "%" expansion; a recursive reader over one statement's text.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batchfile/reader/statement.h"

namespace batchfile::syntax {

// Parses one statement: `text` is one or more lines joined by '\n' (a block spans lines),
// `lineOf` gives each character's physical line. `incomplete` says a block or a for set is
// still open at the end, so the statement goes on with the next line.
std::vector<Node> ParseStatement(const std::string& text, const std::vector<int>& lineOf, bool& incomplete);

// Blocks nest; "&", "&&", "|", "||" and the line breaks inside a block all just separate
// commands, since every command is followed.
class Parser {
public:
    Parser(const std::string& text, const std::vector<int>& lineOf) : m_s(text), m_lineOf(lineOf) {}

    std::vector<Node> Sequence();  // the commands up to the text's end or a block's ")"

    bool incomplete = false;  // a block or a for set is still open at the end

private:
    int LineAt(std::size_t at) const;
    void SkipBlanks();
    void SkipToLineEnd();
    bool AtEnd() const { return m_i >= m_s.size() || m_s[m_i] == '\n'; }
    bool Special(char c) const { return c == '&' || c == '|' || c == '<' || c == '>' || (c == ')' && m_depth > 0); }
    std::string PeekWord() const;
    std::string Operand(bool stopAtEquals);
    bool Command(Node& node);
    bool CommandAt(Node& node);
    void Redirection(Node& node);
    void Simple(Node& node);
    void If(Node& node);
    void For(Node& node);
    bool ForSwitches(Node& node);

    const std::string& m_s;
    const std::vector<int>& m_lineOf;
    std::size_t m_i = 0;
    int m_depth = 0;
    int m_nesting = 0;
};

}  // namespace batchfile::syntax
