// The batch reader's inside: the state of one run and the helpers its commands share. Each
// part of the runner has its file: batch_runner_lines (reading lines into statements),
// _expand (expansion), _exec (statements and the command a line names), _for, _state (set,
// setlocal, cd, call), _names (names and the disk) and batch_commands (the file commands).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "batchfile/reader/batch_parser.h"
#include "batchfile/reader/batch_syntax.h"
#include "batchfile/reader/reader_context.h"
#include "batchfile/reader/virtual_disk.h"

namespace batchfile::runner {

using syntax::Node;
using syntax::HasUnknown;
using syntax::kUnknown;
using syntax::kTyped;
using syntax::kStamp;
using syntax::TrimBlanks;

// Bounds that keep a hostile file from hanging or exhausting memory; hitting one makes the
// line unfollowed.
inline constexpr int kMaxCallDepth = 8;
inline constexpr std::size_t kMaxCalls = 400;  // over the whole run, so calls that fan out stay cheap
inline constexpr std::size_t kMaxSteps = 50000;
inline constexpr std::size_t kMaxParsed = std::size_t{16} << 20;  // characters parsed over the whole run
inline constexpr std::size_t kMaxLoopItems = 10000;
inline constexpr std::size_t kMaxText = 1 << 16;
inline constexpr std::size_t kMaxBlockLines = 1000;
inline constexpr std::size_t kMaxWalk = 200000;
inline constexpr std::size_t kMaxChanged = 100000;
inline constexpr std::size_t kMaxSaved = 64;
inline constexpr std::size_t kMaxAlternatives = 8;   // values one variable may have
inline constexpr std::size_t kMaxVariants = 16;      // readings of one statement

inline const std::string kUnknownValue(1, kUnknown);
inline const std::string kTypedValue(1, kTyped);

// Why a name holding an unknown value cannot be followed: typed by the player or found as it runs.
UnfollowedWhy WhyOfName(const std::string& name);

// Commands that change no file whatever their arguments (their redirections still count).
inline const std::set<std::string> kHarmless = {
    "echo", "pause", "cls", "title", "color", "exit", "goto", "ver", "timeout", "choice",
    "attrib", "vol", "verify", "dir", "type", "ping", "find", "findstr",
    "more", "where", "prompt", "path", "break", "tasklist", "mode", "taskkill", "setx"};
// Internal commands that may be written straight against their argument: "echo.", "cd..".
inline const char* const kJoinable[] = {"echo", "cd", "chdir", "cls", "type", "dir", "title", "md", "mkdir", "pause"};
// Commands a label may follow with no blank: "goto:eof", "call:label".
inline const char* const kJoinableLabel[] = {"goto", "call"};

bool EndsWith(const std::string& text, const std::string& tail);

// An argument of an internal command: quotes removed; `isSwitch` when an unquoted "/" began it.
struct Arg {
    std::string text;
    bool isSwitch = false;
};

// Internal commands split at blanks and ",;=" and start a switch at every unquoted "/", even in
// the middle of a word ("maps/a.map" is "maps" and the switch "/a.map"). Inside quotes "/" is a
// separator of the name, as the file functions read it.
std::vector<Arg> InternalArgs(const std::string& text);
// A program's arguments: blanks separate, quotes group; a word starting with "/" is a switch.
std::vector<Arg> ProgramArgs(const std::string& text);
std::vector<std::string> Names(const std::vector<Arg>& args);  // the non-empty non-switch ones
bool OnlySwitches(const std::vector<Arg>& args, const std::set<std::string>& known);  // folded
bool EndsSubroutine(const std::string& line);                    // "goto :eof" and "exit /b"
bool Inert(const Node& node);
bool Inert(const std::vector<Node>& nodes);
bool Followable(unsigned codePage);  // the system has it and it reads ASCII as ASCII
// The names between `delimiter` pairs in the texts, as "%NAME%" or "!NAME:~1!" write them, folded.
std::vector<std::string> ReferencedNames(const std::vector<std::string>& texts, char delimiter);

// A command's first word as written, folded, and the text after it.
struct CommandWord {
    std::string name, rest, command;
};

// Loop variable values bound by the for commands around a command.
using Bindings = std::vector<std::pair<char, std::string>>;

// One batch file being read: its lines, arguments and the labels `call :label` jumps to.
struct Frame {
    std::string file;
    const std::vector<std::string>* lines;
    std::vector<std::string> args;  // %0, %1, ...
    std::map<std::string, std::size_t> labels;
    std::set<std::string> callTargets;
    int subroutines = 0;  // `call :label` runs under way in this file
    std::vector<std::string> read;  // each line in UTF-8 as last read; empty until then
    std::set<std::size_t> pending = {};  // labels a goto that may not run may reach
    std::vector<std::pair<std::size_t, std::size_t>> skipped = {};  // lines [from, to) a sure goto jumped over
};

// A full path below its root, every part one a file can be named: what a run can change.
bool NamesFile(const std::string& full);

class Runner {
public:
    explicit Runner(const ReaderContext& context)
        : m_context(context), m_fold(context.fold ? context.fold : base::FoldCase), m_disk(context.disk, m_fold) {
        for (const auto& [name, value] : context.environment)
            m_vars[base::AsciiLower(name)] = {name, value, {}};
        m_cwd = base::NormaliseFull(context.startFolder);
        if (Followable(context.codePage))
            m_codePage = context.codePage;
    }

    void RunFile(const std::string& file, const std::vector<std::string>& lines, std::vector<std::string> args);
    void Finish();  // fills effects.deleted

    BatchEffects effects;

private:
    struct Variable {
        std::string name, value;
        std::vector<std::string> others;  // values it may have instead, from branches not known to be taken
    };
    using Overrides = std::map<std::string, std::string>;  // folded name -> value to use
    struct Saved {
        std::map<std::string, Variable> vars;
        bool delayed;
        std::string cwd;
        std::map<char, std::string> driveCwds;
    };
    struct Match {
        std::string full, relative;
    };

    // Reading lines into statements.
    void RunLines(std::size_t start, bool subroutine, std::size_t stop = SIZE_MAX);
    void ReadSkipped();
    std::optional<std::string> ReadStatement(std::size_t& i, std::vector<int>& lineOf, bool& incomplete,
                                             std::vector<Node>& nodes);
    std::vector<Overrides> Alternatives(const std::vector<std::string>& texts, char delimiter, int line);
    bool HasAlternatives() const { return m_alternatives > 0; }
    std::size_t EndOfSubroutine(std::size_t label) const;
    void EndLocal();
    std::optional<std::string> ExpandPercent(const std::string& line) const;
    std::optional<std::string> Decoded(const std::string& bytes) const;
    std::optional<std::string> TextOfLine(std::size_t i);
    std::optional<std::string> ExpandLine(std::size_t i);
    std::string ShownLine(std::size_t i) const;
    std::string Lookup(const std::string& name, bool& defined) const;

    // Running statements.
    void Exec(const Node& node, const Bindings& bindings);
    void ExecIf(const Node& node, const Bindings& bindings);
    std::optional<bool> Exists(const std::string& text, const Bindings& bindings);
    std::optional<bool> Defined(const std::string& text, const Bindings& bindings);
    std::optional<bool> Compares(const Node& node, const Bindings& bindings);
    bool Touched(const std::string& full) const;
    void ExecCommand(const Node& node, const Bindings& bindings);
    void ExecCommandOnce(const Node& node, const Bindings& bindings);
    bool RunStateCommand(const std::string& command, const std::string& rest, int line);
    void Goto(const std::string& rest);
    void RunFileCommand(const CommandWord& word, const std::string& program, int line);
    void OtherProgram(const std::string& program, const std::string& rest, int line);
    void ExecFor(const Node& node, const Bindings& bindings);
    struct ForRuns;
    void ForNumbers(const std::vector<std::string>& items, bool unknown, ForRuns& runs);
    void ForText(const Node& node, const std::string& set, ForRuns& runs);
    bool ForTree(const Node& node, const std::vector<std::string>& items, const Bindings& bindings, ForRuns& runs);
    void ForItems(const Node& node, const std::vector<std::string>& items, ForRuns& runs);
    std::optional<std::string> Prepare(const std::string& text, const Bindings& bindings) const;
    std::string Substitute(const std::string& text, const Bindings& bindings) const;
    std::string ExpandDelayed(const std::string& text) const;
    std::string Modified(const std::string& value, const std::string& modifiers) const;

    // Commands.
    void Set(const std::string& rest);
    void SetArithmetic(const std::string& expression);
    void SetLocal(const std::string& rest);
    void SetVariable(const std::string& name, const std::string& value);
    void ChangeCodePage(const std::string& rest, int line);
    void ChangeFolder(const std::string& rest, bool switchDrive, bool push, int line);
    void Push(int line);
    void Call(const std::string& rest, int line);
    void CallFile(const std::string& name, const std::vector<std::string>& words, int line);
    void Delete(const std::string& rest, int line);
    void RemoveFolder(const std::string& rest, int line);
    void Copy(const std::string& rest, int line);
    void Move(const std::string& rest, int line);
    void Rename(const std::string& rest, int line);
    void Xcopy(const std::string& rest, int line);
    void XcopyFile(const std::string& source, const std::string& target, base::PathKind targetKind);
    void Robocopy(const std::string& rest, int line);
    void Patch(const std::string& rest, int line);
    void MakeLink(const std::string& rest, int line);
    void MoveTree(const std::string& folder, const std::string& destination, int line);
    void WriteTo(const std::string& target, int line);

    // Names and the disk.
    std::string Absolute(const std::string& name) const;
    std::optional<std::string> Resolve(const std::string& name, int line);
    std::vector<std::string> Matching(const std::string& full, bool files, bool folders);
    std::vector<Match> FilesBelow(const std::string& folder, const std::string& pattern, bool recursive, int line);
    std::vector<std::string> Sources(const std::string& full, int line);
    void ListedAfterUnknown(const std::string& full, int line);
    void Changed(const std::string& full);
    void Removed(const std::string& full);  // changed, and no file left there
    void Created(const std::string& full);
    void Unfollowed(int line, UnfollowedWhy why, const std::string& folder = std::string());
    void UnfollowedName(int line, const std::string& name);
    void UnfollowedAfterUnknown(int line) { Name(line, m_uncertainWhy, std::string()); }
    void Name(int line, UnfollowedWhy why, const std::string& folder);  // names the line, taints nothing
    bool Tainted(const std::string& full) const;
    void Reaches(int line, const std::string& folder);
    void Stop(int line);
    bool Step(int line);
    char Drive() const { return base::AsciiUpper(m_cwd[0]); }

    const ReaderContext& m_context;
    base::NameFold m_fold;  // file names compare as the file system compares them
    VirtualDisk m_disk;
    Frame* m_frame = nullptr;
    int m_depth = 0;
    std::map<std::string, Variable> m_vars;
    std::size_t m_alternatives = 0;  // variables in m_vars that may hold other values
    bool m_delayed = false;
    std::optional<unsigned> m_codePage;  // the page lines are read in; nothing when unknown
    std::string m_cwd;
    std::map<char, std::string> m_driveCwds;
    std::vector<Saved> m_saved;
    std::vector<std::string> m_pushed;
    std::vector<std::pair<std::string, std::string>> m_links;  // folded folder link + "\\", the folder it stands for
    std::set<std::string> m_changedKeys;
    std::set<std::string> m_deletedKeys;  // folded names of changed files no file is left at
    std::set<std::pair<std::string, int>> m_unfollowedKeys;
    // What earlier lines the reader could not follow may have made. A line that writes to a name
    // nobody can know may have made any name (or any below a known folder: m_taintedFolders);
    // a program may have made files, so a pattern or folder with no file the reader knows, or
    // a name it does not hold, is asked about; a name the reader knows is still followed.
    bool m_uncertain = false;  // any of these
    bool m_taintedEverywhere = false;
    std::vector<std::string> m_taintedFolders;  // folded prefixes of names an unknown value may reach
    UnfollowedWhy m_uncertainWhy = UnfollowedWhy::OtherProgram;  // why the first such line was
    bool m_return = false;     // "exit /b" or "goto :eof" in a subroutine
    bool m_stopped = false;
    int m_loops = 0;          // inside a for body
    bool m_child = false;     // reading the command a for /f runs in an interpreter of its own
    int m_branches = 0;       // inside an if branch: a set there may not happen
    bool m_variant = false;   // reading a statement again for another value: its sets add values
    bool m_jumped = false;    // a goto ran: from here on a set may have been jumped over
    bool m_statementVariants = false;  // the statement run is also read for other values
    std::optional<std::size_t> m_goto;  // the line a goto that surely runs jumps to
    const Overrides* m_overrides = nullptr;
    int m_line = -1;  // the line of the current frame being run
    std::size_t m_steps = 0;
    std::size_t m_walked = 0;
    std::size_t m_parsed = 0;
    std::size_t m_calls = 0;
};

}  // namespace batchfile::runner
