// One statement of a batch file as the command interpreter splits it: commands, blocks, if,
// for and their redirections.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace batchfile::syntax {

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
    std::optional<std::string> ifExist;  // If: the name of "if [not] exist name", quotes kept
    std::optional<std::string> ifDefined;  // If: the name of "if [not] defined name"
    std::string ifLeft, ifOp, ifRight;     // If: a comparison, "==" or "equ", "neq", ...; quotes kept
    bool ifNot = false;
    bool ifIgnoreCase = false;  // "if /i"
};

}  // namespace batchfile::syntax
