// How the command interpreter splits a batch statement into commands: blocks, if, for,
// redirections and the characters that join commands, after "%" expansion.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace batchfile::syntax {

// Stands for a value nobody can know (input typed by the player, the time, a loop over a
// command's output): a name holding it cannot be followed.
constexpr char kUnknown = '\x01';

bool HasUnknown(const std::string& text);
std::string TrimBlanks(const std::string& text);  // blanks and tabs off both ends

struct Redirect {
    bool output;  // ">" or ">>"; "<" reads
    std::string target;
};

struct Node {
    enum class Kind { Command, Block, If, For, Bad };
    Kind kind = Kind::Command;
    int line = 0;                    // index of the physical line it starts on
    std::string text;                // Command: carets taken out, quotes kept, redirections removed
    std::vector<Redirect> redirects; // Command and Block
    std::vector<Node> children;      // Block: its commands; If: then, else; For: the body
    std::string forSwitch;           // "", "/d", "/r", "/l" or "/f"
    std::string forRoot, forOptions, forSet;
    char forVar = 0;
};

// Parses one statement: `text` is one or more lines joined by '\n' (a block spans lines),
// `lineOf` gives each character's physical line. `incomplete` says a block or a for set is
// still open at the end, so the statement goes on with the next line.
std::vector<Node> ParseStatement(const std::string& text, const std::vector<int>& lineOf, bool& incomplete);

// Whether the line ends in a "^" outside quotes that joins it to the next line.
bool EndsWithContinuation(const std::string& line);

// Applies a variable edit, the part after ':' in "%NAME:~2,3%" or "%NAME:old=new%".
std::string EditValue(const std::string& value, const std::string& edit);

// The words of an argument text split at blanks and `delimiters` outside quotes; quotes kept.
std::vector<std::string> SplitWords(const std::string& text, const char* delimiters);

std::string WithoutQuotes(const std::string& word);

// The values "for /f" gives its variables (the first, the next letter, ...) for one line of
// text under its options ("tokens=1,3* delims=, eol=; skip=1 usebackq"): empty when the line
// gives no run, nothing when the options are not understood.
std::optional<std::vector<std::string>> ForTokens(const std::string& options, const std::string& line);

}  // namespace batchfile::syntax
