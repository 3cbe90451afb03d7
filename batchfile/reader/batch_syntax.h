// The pieces of the command interpreter's reading a statement's commands share: the unknown
// value, variable edits, word splitting and "for /f" tokens.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace batchfile::syntax {

// Stands for a value nobody can know (the time, a loop over a command's output): a name
// holding it cannot be followed. kTyped stands for what the player types, so a question can
// say which of the two made a name unknown.
constexpr char kUnknown = '\x01';
constexpr char kTyped = '\x02';
// The date, the time or a random number: never holds ".." or a drive, so a name holding it
// stays below the folder written before it.
constexpr char kStamp = '\x03';

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasUnknown(const std::string& text);
std::string TrimBlanks(const std::string& text);  // blanks and tabs off both ends

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
// The same over the lines of a file: "skip=" counts its first lines out; a line that gives no
// run is left out.
std::optional<std::vector<std::vector<std::string>>> ForFileTokens(const std::string& options,
                                                                   const std::vector<std::string>& lines);

}  // namespace batchfile::syntax
