// Runs a batch file in thought: variables, the current folder and a view of the disk follow
// each command, and every file a command may change is collected.
#include "batchfile/batch_effects.h"

#include <cctype>
#include <cstdint>
#include <map>
#include <set>

#include "batchfile/batch_paths.h"
#include "batchfile/batch_syntax.h"
#include "batchfile/file_changes.h"

namespace batchfile {
namespace {

using syntax::Node;
using syntax::kUnknown;
namespace p = paths;

// Bounds that keep a hostile file from hanging or exhausting memory; hitting one makes the
// line unfollowed.
constexpr int kMaxCallDepth = 8;
constexpr std::size_t kMaxSteps = 100000;
constexpr std::size_t kMaxLoopItems = 10000;
constexpr std::size_t kMaxText = 1 << 16;
constexpr std::size_t kMaxBlockLines = 1000;
constexpr std::size_t kMaxWalk = 200000;
constexpr std::size_t kMaxChanged = 100000;
constexpr std::size_t kMaxSaved = 64;
constexpr int kMaxArithmeticDepth = 64;

const std::string kUnknownValue(1, kUnknown);

// Commands that change no file whatever their arguments (their redirections still count).
const std::set<std::string> kHarmless = {
    "echo", "pause", "cls", "title", "color", "exit", "goto", "chcp", "ver", "timeout", "choice",
    "attrib", "shift", "vol", "verify", "dir", "type", "ping", "find", "findstr",
    "more", "where", "prompt", "path", "break", "tasklist"};
// Internal commands that may be written straight against their argument: "echo.", "cd..".
const char* const kJoinable[] = {"echo", "cd", "chdir", "cls", "type", "dir", "title", "md", "mkdir", "pause"};

bool HasUnknown(const std::string& text) { return text.find(kUnknown) != std::string::npos; }

std::string TrimBlanks(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// An argument of an internal command: quotes removed; `isSwitch` when an unquoted "/" began it.
struct Arg {
    std::string text;
    bool isSwitch = false;
};

// Internal commands split at blanks and ",;=" and start a switch at every unquoted "/", even in
// the middle of a word ("maps/a.map" is "maps" and the switch "/a.map"). Inside quotes "/" is a
// separator of the name, as the file functions read it.
std::vector<Arg> InternalArgs(const std::string& text) {
    std::vector<Arg> args;
    Arg arg;
    bool quoted = false, started = false;
    auto flush = [&] {
        if (started)
            args.push_back(arg);
        arg = Arg();
        started = false;
    };
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            started = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=')) {
            flush();
        } else if (!quoted && c == '/') {
            flush();
            arg.isSwitch = true;
            started = true;
        } else {
            arg.text.push_back(quoted && c == '/' ? '\\' : c);
            started = true;
        }
    }
    flush();
    return args;
}

// A program's arguments: blanks separate, quotes group; a word starting with "/" is a switch.
std::vector<Arg> ProgramArgs(const std::string& text) {
    std::vector<Arg> args;
    for (const std::string& word : syntax::SplitWords(text, "")) {
        Arg arg;
        arg.isSwitch = word[0] == '/';
        arg.text = syntax::WithoutQuotes(arg.isSwitch ? word.substr(1) : word);
        args.push_back(arg);
    }
    return args;
}

std::vector<std::string> Names(const std::vector<Arg>& args) {
    std::vector<std::string> names;
    for (const Arg& arg : args)
        if (!arg.isSwitch)
            names.push_back(arg.text);
    return names;
}

std::string ProgramName(const std::string& name) {
    std::string leaf = p::Fold(name.substr(name.find_last_of("\\/:") == std::string::npos ? 0 : name.find_last_of("\\/:") + 1));
    for (const char* ext : {".exe", ".com"})
        if (leaf.size() > 4 && leaf.compare(leaf.size() - 4, 4, ext) == 0)
            leaf.erase(leaf.size() - 4);
    return leaf;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Loop variable values bound by the for commands around a command.
using Bindings = std::vector<std::pair<char, std::string>>;

// One batch file being read: its lines, arguments and the labels `call :label` jumps to.
struct Frame {
    std::string file;
    const std::vector<std::string>* lines;
    std::vector<std::string> args;  // %0, %1, ...
    std::map<std::string, std::size_t> labels;
    std::set<std::string> callTargets;
};

class Runner {
public:
    explicit Runner(const ReaderContext& context) : m_context(context), m_disk(context.disk) {
        for (const auto& [name, value] : context.environment)
            m_vars[p::Fold(name)] = {name, value};
        m_cwd = p::Normalise(context.startFolder);
    }

    void RunFile(const std::string& file, const std::vector<std::string>& lines, std::vector<std::string> args);

    BatchEffects effects;

private:
    struct Variable {
        std::string name, value;
    };
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
    void RunLines(std::size_t start, bool subroutine);
    std::size_t EndOfSubroutine(std::size_t label) const;
    std::optional<std::string> ExpandPercent(const std::string& line) const;
    std::string Lookup(const std::string& name, bool& defined) const;

    // Running statements.
    void Exec(const Node& node, const Bindings& bindings);
    void ExecCommand(const Node& node, const Bindings& bindings);
    void ExecFor(const Node& node, const Bindings& bindings);
    std::optional<std::string> Prepare(const std::string& text, const Bindings& bindings) const;
    std::string Substitute(const std::string& text, const Bindings& bindings) const;
    std::string ExpandDelayed(const std::string& text) const;
    std::string Modified(const std::string& value, const std::string& modifiers) const;

    // Commands.
    void Set(const std::string& rest);
    void SetArithmetic(const std::string& expression);
    void SetVariable(const std::string& name, const std::string& value);
    void ChangeFolder(const std::string& rest, bool switchDrive, bool push, int line);
    void Call(const std::string& rest, int line);
    void CallFile(const std::string& name, const std::vector<std::string>& words, int line);
    void Delete(const std::string& rest, int line);
    void RemoveFolder(const std::string& rest, int line);
    void Copy(const std::string& rest, int line);
    void Move(const std::string& rest, int line);
    void Rename(const std::string& rest, int line);
    void Xcopy(const std::string& rest, int line);
    void Robocopy(const std::string& rest, int line);
    void Patch(const std::string& rest, int line);
    void MoveTree(const std::string& folder, const std::string& destination, int line);
    void WriteTo(const std::string& target, int line);

    // Names and the disk.
    std::string Absolute(const std::string& name) const;
    std::optional<std::string> Resolve(const std::string& name, int line);
    std::vector<std::string> Matching(const std::string& full, bool files, bool folders);
    std::vector<Match> FilesBelow(const std::string& folder, const std::string& pattern, bool recursive, int line);
    std::vector<std::string> Sources(const std::string& full, int line);
    void Changed(const std::string& full);
    void Created(const std::string& full);
    void Unfollowed(int line);
    bool Step(int line);
    char Drive() const { return static_cast<char>(std::toupper(static_cast<unsigned char>(m_cwd[0]))); }

    const ReaderContext& m_context;
    VirtualDisk m_disk;
    Frame* m_frame = nullptr;
    int m_depth = 0;
    std::map<std::string, Variable> m_vars;
    bool m_delayed = false;
    std::string m_cwd;
    std::map<char, std::string> m_driveCwds;
    std::vector<Saved> m_saved;
    std::vector<std::string> m_pushed;
    std::set<std::string> m_changedKeys;
    std::set<std::pair<std::string, int>> m_unfollowedKeys;
    bool m_uncertain = false;  // an earlier line did something unknown to the disk
    bool m_return = false;     // "exit /b" or "goto :eof" in a subroutine
    bool m_stopped = false;
    std::size_t m_steps = 0;
    std::size_t m_walked = 0;
};

// ---- Reading lines into statements

std::string LabelName(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t@");
    if (begin == std::string::npos || line[begin] != ':')
        return std::string();
    std::size_t end = line.find_first_of(" \t+:;,=", begin + 1);
    if (end == std::string::npos)
        end = line.size();
    return p::Fold(line.substr(begin + 1, end - begin - 1));
}

bool IsLabelLine(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t@");
    return begin != std::string::npos && line[begin] == ':';
}

// "goto :eof" and "exit /b" end a subroutine.
bool EndsSubroutine(const std::string& line) {
    std::string text = p::Fold(TrimBlanks(line));
    while (!text.empty() && text[0] == '@')
        text.erase(0, 1);
    std::string squeezed;
    for (const char c : text)
        if (c != ' ' && c != '\t')
            squeezed.push_back(c);
    return squeezed.compare(0, 8, "goto:eof") == 0 || squeezed.compare(0, 6, "exit/b") == 0;
}

void Runner::RunFile(const std::string& file, const std::vector<std::string>& lines, std::vector<std::string> args) {
    Frame frame{file, &lines, std::move(args), {}, {}};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string label = LabelName(lines[i]);
        if (!label.empty() && !frame.labels.count(label))
            frame.labels[label] = i;
        const std::string folded = p::Fold(lines[i]);
        for (std::size_t at = 0; (at = folded.find("call", at)) != std::string::npos; at += 4) {
            std::size_t j = at + 4;
            while (j < folded.size() && (folded[j] == ' ' || folded[j] == '\t'))
                ++j;
            if (j > at + 4 && j < folded.size() && folded[j] == ':') {
                const std::size_t end = folded.find_first_of(" \t&|)>", j);
                frame.callTargets.insert(folded.substr(j + 1, end == std::string::npos ? end : end - j - 1));
            }
        }
    }
    Frame* outer = m_frame;
    const std::size_t savedDepth = m_saved.size();
    m_frame = &frame;
    RunLines(0, false);
    m_frame = outer;
    while (m_saved.size() > savedDepth) {  // a batch file's setlocal ends with it
        m_vars = m_saved.back().vars;
        m_delayed = m_saved.back().delayed;
        m_cwd = m_saved.back().cwd;
        m_driveCwds = m_saved.back().driveCwds;
        m_saved.pop_back();
    }
}

std::size_t Runner::EndOfSubroutine(std::size_t label) const {
    const std::vector<std::string>& lines = *m_frame->lines;
    for (std::size_t i = label + 1; i < lines.size(); ++i)
        if (EndsSubroutine(lines[i]))
            return i + 1;
    return lines.size();
}

// Reads statements from `start`: a subroutine ends at its "exit /b"; the main reading goes on
// to the end, stepping over the subroutines that only `call :label` reaches.
void Runner::RunLines(std::size_t start, bool subroutine) {
    const std::vector<std::string>& lines = *m_frame->lines;
    std::size_t i = start;
    while (i < lines.size() && !m_stopped) {
        if (subroutine && m_return)
            break;
        m_return = false;
        if (IsLabelLine(lines[i])) {
            const bool called = m_frame->callTargets.count(LabelName(lines[i])) > 0;
            i = called && !subroutine ? EndOfSubroutine(i) : i + 1;
            continue;
        }
        const std::size_t first = i;
        std::optional<std::string> text = ExpandPercent(lines[i]);
        std::vector<int> lineOf;
        bool incomplete = false;
        std::vector<Node> nodes;
        ++i;
        while (text) {
            while (syntax::EndsWithContinuation(*text) && i < lines.size() && text->size() < kMaxText) {
                text->pop_back();
                const std::optional<std::string> more = ExpandPercent(lines[i++]);
                if (!more) {
                    text.reset();
                    break;
                }
                *text += *more;
            }
            if (!text)
                break;
            lineOf.resize(text->size(), static_cast<int>(i - 1));
            nodes = syntax::ParseStatement(*text, lineOf, incomplete);
            if (!incomplete || i >= lines.size() || i - first > kMaxBlockLines || text->size() > kMaxText)
                break;
            // A block or a for set is still open: the statement takes the next line, expanded
            // now, before anything in the block runs.
            const std::optional<std::string> more = ExpandPercent(lines[i++]);
            if (!more)
                text.reset();
            else
                *text += "\n" + *more;
        }
        if (!text || incomplete) {
            Unfollowed(static_cast<int>(first));
            continue;
        }
        for (const Node& node : nodes)
            Exec(node, {});
    }
}

std::string Runner::Lookup(const std::string& name, bool& defined) const {
    defined = true;
    const auto found = m_vars.find(p::Fold(name));
    if (found != m_vars.end())
        return found->second.value;
    const std::string folded = p::Fold(name);
    if (folded == "cd")
        return m_cwd;
    if (folded == "__cd__")
        return p::Child(m_cwd, "");
    if (folded == "cmdextversion")
        return "2";
    if (folded == "random" || folded == "time" || folded == "date" || folded == "errorlevel" ||
        folded == "cmdcmdline" || folded == "__appdir__")
        return kUnknownValue;
    defined = false;
    return std::string();
}

// The "%" expansion done when a line is read: %%, %0-%9, %*, %~dp0 and %NAME[:edit]%.
std::optional<std::string> Runner::ExpandPercent(const std::string& line) const {
    const std::vector<std::string>& args = m_frame->args;
    auto argument = [&](char digit) { return static_cast<std::size_t>(digit - '0') < args.size() ? args[digit - '0'] : std::string(); };
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (out.size() > kMaxText)
            return std::nullopt;
        const char c = line[i];
        if (c != '%' || i + 1 >= line.size()) {
            if (c != '%')
                out.push_back(c);
            ++i;
            continue;
        }
        const char next = line[i + 1];
        if (next == '%') {
            out.push_back('%');
            i += 2;
        } else if (std::isdigit(static_cast<unsigned char>(next))) {
            out += argument(next);
            i += 2;
        } else if (next == '*') {
            for (std::size_t a = 1; a < args.size(); ++a)
                out += (a > 1 ? " " : "") + args[a];
            i += 2;
        } else if (next == '~') {
            std::size_t j = i + 2;
            while (j < line.size() && std::string("fdpnxsatz").find(static_cast<char>(std::tolower(static_cast<unsigned char>(line[j])))) != std::string::npos)
                ++j;
            if (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j]))) {
                out += Modified(argument(line[j]), p::Fold(line.substr(i + 2, j - i - 2)));
                i = j + 1;
            } else {
                out.push_back('%');  // not an argument: left for the loop variables
                ++i;
            }
        } else {
            const std::size_t close = line.find('%', i + 1);
            if (close == std::string::npos) {
                ++i;  // a lone "%" disappears in a batch file
                continue;
            }
            const std::string content = line.substr(i + 1, close - i - 1);
            const std::size_t colon = content.find(':');
            bool defined = false;
            const std::string value = Lookup(content.substr(0, colon), defined);
            if (colon != std::string::npos && defined)
                out += syntax::EditValue(value, content.substr(colon + 1));
            else
                out += value;
            i = close + 1;
        }
    }
    if (out.size() > kMaxText)
        return std::nullopt;
    return out;
}

// ---- Running statements

bool Runner::Step(int line) {
    if (m_stopped)
        return false;
    if (++m_steps > kMaxSteps) {
        Unfollowed(line);
        m_stopped = true;
        return false;
    }
    return true;
}

void Runner::Exec(const Node& node, const Bindings& bindings) {
    if (!Step(node.line) || m_return)
        return;
    switch (node.kind) {
    case Node::Kind::Bad:
        Unfollowed(node.line);
        break;
    case Node::Kind::Block:
        for (const Node& child : node.children)
            Exec(child, bindings);
        for (const syntax::Redirect& redirect : node.redirects)
            if (redirect.output)
                if (const auto target = Prepare(redirect.target, bindings))
                    WriteTo(*target, node.line);
        break;
    case Node::Kind::If:
        // Either branch may run: follow both, so the files of each are kept.
        for (const Node& child : node.children) {
            Exec(child, bindings);
            m_return = false;
        }
        break;
    case Node::Kind::For:
        ExecFor(node, bindings);
        break;
    case Node::Kind::Command:
        ExecCommand(node, bindings);
        break;
    }
}

// For each "%x" or "%~mods x" whose x is a bound loop variable, its value: done on each run of
// the body, after the body was parsed, so a value never splits a command.
std::string Runner::Substitute(const std::string& text, const Bindings& bindings) const {
    if (bindings.empty())
        return text;
    auto bound = [&](char c) -> const std::string* {
        for (auto it = bindings.rbegin(); it != bindings.rend(); ++it)
            if (it->first == c)
                return &it->second;
        return nullptr;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 >= text.size()) {
            out.push_back(text[i]);
            continue;
        }
        if (const std::string* value = bound(text[i + 1])) {
            out += *value;
            ++i;
            continue;
        }
        if (text[i + 1] == '~') {
            std::size_t end = i + 2;
            while (end < text.size() && std::string("fdpnxsatz").find(static_cast<char>(std::tolower(static_cast<unsigned char>(text[end])))) != std::string::npos)
                ++end;
            bool done = false;
            for (std::size_t k = end; k >= i + 2 && !done; --k) {  // the longest modifier run wins
                if (k < text.size())
                    if (const std::string* value = bound(text[k])) {
                        out += Modified(*value, p::Fold(text.substr(i + 2, k - i - 2)));
                        i = k;
                        done = true;
                    }
                if (k == i + 2)
                    break;
            }
            if (done)
                continue;
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string Runner::ExpandDelayed(const std::string& text) const {
    if (!m_delayed || text.find('!') == std::string::npos)
        return text;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size() && text[i + 1] == '!') {
            out.push_back('!');
            ++i;
        } else if (text[i] != '!') {
            out.push_back(text[i]);
        } else {
            const std::size_t close = text.find('!', i + 1);
            if (close == std::string::npos)
                break;  // an unpaired "!" disappears
            const std::string content = text.substr(i + 1, close - i - 1);
            const std::size_t colon = content.find(':');
            bool defined = false;
            const std::string value = Lookup(content.substr(0, colon), defined);
            out += colon != std::string::npos && defined ? syntax::EditValue(value, content.substr(colon + 1)) : value;
            i = close;
        }
        if (out.size() > kMaxText)
            break;
    }
    return out;
}

std::optional<std::string> Runner::Prepare(const std::string& text, const Bindings& bindings) const {
    std::string out = ExpandDelayed(Substitute(text, bindings));
    if (out.size() > kMaxText)
        return std::nullopt;
    return out;
}

// %~f, %~d, %~p, %~n, %~x and their mixes; attributes, times and sizes are not known.
std::string Runner::Modified(const std::string& value, const std::string& modifiers) const {
    const std::string plain = syntax::WithoutQuotes(value);
    if (modifiers.empty())
        return plain;
    if (HasUnknown(plain) || modifiers.find_first_of("atz") != std::string::npos)
        return kUnknownValue;
    if (plain.empty())
        return std::string();
    const std::string full = Absolute(plain);
    const bool d = modifiers.find('d') != std::string::npos, pth = modifiers.find('p') != std::string::npos;
    const bool n = modifiers.find('n') != std::string::npos, x = modifiers.find('x') != std::string::npos;
    if (!d && !pth && !n && !x)
        return full;  // "f" (and "s", read as "f")
    const std::string leaf = p::Leaf(full);
    const std::size_t dot = leaf.rfind('.');
    std::string out;
    if (d)
        out += full.substr(0, full.find('\\'));
    if (pth) {
        const std::string parent = p::IsRoot(full) ? full : p::Child(p::Parent(full), "");
        out += parent.substr(parent.find('\\'));
    }
    if (n)
        out += leaf.substr(0, dot);
    if (x && dot != std::string::npos)
        out += leaf.substr(dot);
    return out;
}

void Runner::ExecCommand(const Node& node, const Bindings& bindings) {
    const int line = node.line;
    const std::optional<std::string> prepared = Prepare(node.text, bindings);
    if (!prepared) {
        Unfollowed(line);
        return;
    }
    for (const syntax::Redirect& redirect : node.redirects) {
        if (!redirect.output)
            continue;
        const std::optional<std::string> target = Prepare(redirect.target, bindings);
        if (target)
            WriteTo(*target, line);
        else
            Unfollowed(line);
    }
    const std::string& text = *prepared;
    std::size_t i = text.find_first_not_of(" \t,;=@");
    if (i == std::string::npos)
        return;
    std::string name, rest;
    if (text[i] == '"') {
        const std::size_t close = text.find('"', i + 1);
        name = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        rest = close == std::string::npos ? std::string() : text.substr(close + 1);
    } else {
        const std::size_t end = std::min(text.find_first_of(" \t,;=/(+", i), text.size());
        name = text.substr(i, end - i);
        rest = text.substr(end);
    }
    std::string command = p::Fold(name);
    for (const char* joinable : kJoinable) {
        const std::string known = joinable;
        if (command.size() > known.size() && command.compare(0, known.size(), known) == 0 &&
            std::string(".\\:[]+").find(command[known.size()]) != std::string::npos) {
            rest = name.substr(known.size()) + rest;
            command = known;
            break;
        }
    }
    if (command.size() == 2 && std::isalpha(static_cast<unsigned char>(command[0])) && command[1] == ':' &&
        TrimBlanks(rest).empty()) {
        // "D:" makes D the current drive, in the folder it last had there.
        m_driveCwds[Drive()] = m_cwd;
        const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(command[0])));
        const auto known = m_driveCwds.find(drive);
        m_cwd = known != m_driveCwds.end() ? known->second : std::string(1, drive) + ":\\";
        return;
    }
    const std::string program = ProgramName(name);
    if (HasUnknown(command)) {
        Unfollowed(line);
    } else if (command == "goto" || command == "exit") {
        if (EndsSubroutine(command + rest))
            m_return = true;
    } else if (kHarmless.count(command) || kHarmless.count(program)) {
    } else if (command == "md" || command == "mkdir") {
        for (const std::string& folder : Names(InternalArgs(rest)))
            if (!HasUnknown(folder) && folder.find('%') == std::string::npos)
                m_disk.AddFolder(Absolute(folder));  // so a later copy knows it is a folder
    } else if (command == "set") {
        Set(rest);
    } else if (command == "setlocal") {
        if (m_saved.size() < kMaxSaved)
            m_saved.push_back({m_vars, m_delayed, m_cwd, m_driveCwds});
        const std::string folded = p::Fold(rest);
        if (folded.find("enabledelayedexpansion") != std::string::npos)
            m_delayed = true;
        else if (folded.find("disabledelayedexpansion") != std::string::npos)
            m_delayed = false;
    } else if (command == "endlocal") {
        if (!m_saved.empty()) {  // endlocal also gives back the folder setlocal saw
            m_vars = m_saved.back().vars;
            m_delayed = m_saved.back().delayed;
            m_cwd = m_saved.back().cwd;
            m_driveCwds = m_saved.back().driveCwds;
            m_saved.pop_back();
        }
    } else if (command == "cd" || command == "chdir") {
        ChangeFolder(rest, false, false, line);
    } else if (command == "pushd") {
        ChangeFolder(rest, true, true, line);
    } else if (command == "popd") {
        if (!m_pushed.empty()) {
            m_cwd = m_pushed.back();
            m_pushed.pop_back();
        }
    } else if (command == "call") {
        Call(rest, line);
    } else if (command == "del" || command == "erase") {
        Delete(rest, line);
    } else if (command == "rd" || command == "rmdir") {
        RemoveFolder(rest, line);
    } else if (command == "copy") {
        Copy(rest, line);
    } else if (command == "move") {
        Move(rest, line);
    } else if (command == "ren" || command == "rename") {
        Rename(rest, line);
    } else if (program == "xcopy") {
        Xcopy(rest, line);
    } else if (program == "robocopy") {
        Robocopy(rest, line);
    } else if (program == "applyppf3") {
        Patch(rest, line);
    } else if (EndsWith(command, ".bat") || EndsWith(command, ".cmd")) {
        // Started without call, the other batch file runs and does not come back; its lines
        // are followed all the same, and so are the lines after it, which is over, not under.
        CallFile(name, syntax::SplitWords(rest, ",;="), line);
    } else {
        Unfollowed(line);
    }
}

void Runner::ExecFor(const Node& node, const Bindings& bindings) {
    const int line = node.line;
    const std::optional<std::string> set = Prepare(node.forSet, bindings);
    if (!set) {
        Unfollowed(line);
        return;
    }
    std::vector<Bindings> runs;
    auto add = [&](const std::string& value) {
        Bindings run = bindings;
        run.emplace_back(node.forVar, value);
        runs.push_back(std::move(run));
    };
    bool knowable = true;
    const std::vector<std::string> items = syntax::SplitWords(*set, ",;=");
    if (node.forSwitch == "/l") {
        long long numbers[3] = {0, 0, 0};
        for (std::size_t k = 0; k < items.size() && k < 3; ++k)
            numbers[k] = std::strtoll(items[k].c_str(), nullptr, 10);
        const long long start = numbers[0], step = numbers[1], end = numbers[2];
        long long count = 0;
        if (step > 0 && end >= start)
            count = (end - start) / step + 1;
        else if (step < 0 && end <= start)
            count = (start - end) / -step + 1;
        else if (step == 0 && end >= start)
            count = -1;  // never ends
        if (count < 0 || count > static_cast<long long>(kMaxLoopItems) || HasUnknown(*set))
            knowable = false;
        else
            for (long long k = 0; k < count; ++k)
                add(std::to_string(start + k * step));
    } else if (node.forSwitch == "/f") {
        const std::string options = p::Fold(syntax::WithoutQuotes(node.forOptions));
        const std::string trimmed = TrimBlanks(*set);
        // Only a literal string is plainly knowable: the first blank-separated token of it.
        if (options.empty() && trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"' && !HasUnknown(trimmed)) {
            const std::vector<std::string> tokens = syntax::SplitWords(trimmed.substr(1, trimmed.size() - 2), "");
            if (!tokens.empty())
                add(tokens.front());
        } else {
            knowable = false;
        }
    } else if (node.forSwitch == "/r") {
        const std::string rootName = syntax::WithoutQuotes(Substitute(node.forRoot, bindings));
        const std::optional<std::string> root = rootName.empty() ? std::optional<std::string>(m_cwd) : Resolve(rootName, line);
        if (!root)
            return;
        std::vector<std::string> folders;
        if (m_disk.KindOf(*root) == EntryKind::Folder) {
            folders.push_back(*root);
            for (std::size_t k = 0; k < folders.size() && m_walked < kMaxWalk; ++k)
                for (const DiskView::Entry& entry : m_disk.List(folders[k]))
                    if (entry.folder && ++m_walked < kMaxWalk)
                        folders.push_back(p::Child(folders[k], entry.name));
            if (m_walked >= kMaxWalk)
                knowable = false;
        }
        for (const std::string& folder : folders)
            for (const std::string& item : items) {
                const std::string name = syntax::WithoutQuotes(item);
                if (HasWildcard(name)) {
                    for (const DiskView::Entry& entry : m_disk.List(folder))
                        if (!entry.folder && MatchesWildcard(name, entry.name))
                            add(p::Child(folder, entry.name));
                } else {
                    add(p::Child(folder, name));
                }
            }
    } else {
        for (const std::string& item : items) {
            const std::string name = syntax::WithoutQuotes(item);
            if (!HasWildcard(name)) {
                add(item);
                continue;
            }
            const std::optional<std::string> full = Resolve(name, line);
            if (!full) {
                knowable = false;
                continue;
            }
            // The value keeps the item's own folder part as written, up to its last "\" or ":".
            const std::size_t cut = name.find_last_of("\\:");
            const std::string prefix = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
            for (const std::string& match : Matching(*full, node.forSwitch != "/d", node.forSwitch == "/d"))
                add(prefix + p::Leaf(match));
            if (m_uncertain && runs.empty())
                knowable = false;
        }
    }
    if (runs.size() > kMaxLoopItems) {
        runs.resize(kMaxLoopItems);
        knowable = false;
    }
    if (!knowable) {
        // The values cannot be known: the body runs once with an unknown value, so what it does
        // to known names still counts and names built from the value are unfollowed.
        Unfollowed(line);
        runs.clear();
        add(kUnknownValue);
    }
    for (const Bindings& run : runs) {
        if (m_stopped)
            break;
        Exec(node.children.front(), run);
    }
}

// ---- Variables and folders

void Runner::SetVariable(const std::string& name, const std::string& value) {
    if (value.empty())
        m_vars.erase(p::Fold(name));
    else
        m_vars[p::Fold(name)] = {name, value.size() > kMaxText ? kUnknownValue : value};
}

void Runner::Set(const std::string& rest) {
    std::string text = rest;
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return;
    text.erase(0, begin);
    const std::string folded = p::Fold(text.substr(0, 2));
    if (folded == "/a") {
        SetArithmetic(text.substr(2));
        return;
    }
    if (folded == "/p") {  // input typed by the player
        const std::string body = syntax::WithoutQuotes(TrimBlanks(text.substr(2)));
        const std::size_t equals = body.find('=');
        if (equals != std::string::npos && equals > 0)
            SetVariable(body.substr(0, equals), kUnknownValue);
        return;
    }
    if (text[0] == '"') {  // set "NAME=value": the value ends at the last quote
        const std::size_t last = text.rfind('"');
        text = last == 0 ? text.substr(1) : text.substr(1, last - 1);
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        return;
    SetVariable(text.substr(0, equals), text.substr(equals + 1));
}

// set /a: integers with + - * / % and parentheses, assignments and "+=" forms; a value that
// cannot be worked out makes the variable unknown.
class Arithmetic {
public:
    Arithmetic(const std::string& text, std::function<std::string(const std::string&)> lookup)
        : m_s(text), m_lookup(std::move(lookup)) {}

    // Runs every comma-separated expression; returns the assignments made.
    std::vector<std::pair<std::string, std::optional<std::int32_t>>> Run() {
        std::vector<std::pair<std::string, std::optional<std::int32_t>>> assigned;
        while (m_i <= m_s.size()) {
            Blanks();
            const std::size_t start = m_i;
            std::string name = Identifier();
            Blanks();
            std::string op;
            if (!name.empty() && m_i < m_s.size()) {
                for (const char* candidate : {"+=", "-=", "*=", "/=", "%=", "="})
                    if (m_s.compare(m_i, std::char_traits<char>::length(candidate), candidate) == 0 &&
                        !(candidate[0] == '=' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '=')) {
                        op = candidate;
                        break;
                    }
            }
            if (op.empty()) {
                m_i = start;
                name.clear();
            } else {
                m_i += op.size();
            }
            std::optional<std::int64_t> value = Sum(0);
            Blanks();
            if (m_i < m_s.size() && m_s[m_i] != ',')
                value.reset();
            if (!name.empty()) {
                if (op != "=") {
                    const std::optional<std::int64_t> old = Number(m_lookup(name));
                    value = Apply(old, value, op[0]);
                }
                assigned.emplace_back(name, value ? std::optional<std::int32_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(*value))) : std::nullopt);
            }
            if (m_i >= m_s.size())
                break;
            if (m_s[m_i] == ',')
                ++m_i;
            else
                break;
        }
        return assigned;
    }

private:
    void Blanks() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '"'))
            ++m_i;
    }
    std::string Identifier() {
        std::size_t j = m_i;
        if (j < m_s.size() && (std::isalpha(static_cast<unsigned char>(m_s[j])) || m_s[j] == '_'))
            while (j < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[j])) || m_s[j] == '_' || m_s[j] == '.'))
                ++j;
        std::string name = m_s.substr(m_i, j - m_i);
        m_i = j;
        return name;
    }
    static std::optional<std::int64_t> Number(const std::string& text) {
        if (HasUnknown(text))
            return std::nullopt;
        const std::string trimmed = TrimBlanks(text);
        if (trimmed.empty())
            return 0;
        char* end = nullptr;
        const long long value = std::strtoll(trimmed.c_str(), &end, 0);
        return static_cast<std::int64_t>(static_cast<std::int32_t>(value));
    }
    static std::optional<std::int64_t> Apply(std::optional<std::int64_t> a, std::optional<std::int64_t> b, char op) {
        if (!a || !b)
            return std::nullopt;
        const std::int64_t x = static_cast<std::int32_t>(*a), y = static_cast<std::int32_t>(*b);
        switch (op) {
        case '+': return static_cast<std::int32_t>(static_cast<std::uint32_t>(x + y));
        case '-': return static_cast<std::int32_t>(static_cast<std::uint32_t>(x - y));
        case '*': return static_cast<std::int32_t>(static_cast<std::uint32_t>(x * y));
        case '/': return y == 0 ? std::nullopt : std::optional<std::int64_t>(x / y);
        case '%': return y == 0 ? std::nullopt : std::optional<std::int64_t>(x % y);
        default: return std::nullopt;
        }
    }
    std::optional<std::int64_t> Sum(int depth) {
        std::optional<std::int64_t> value = Product(depth);
        while (true) {
            Blanks();
            if (m_i >= m_s.size() || (m_s[m_i] != '+' && m_s[m_i] != '-'))
                return value;
            const char op = m_s[m_i++];
            value = Apply(value, Product(depth), op);
        }
    }
    std::optional<std::int64_t> Product(int depth) {
        std::optional<std::int64_t> value = Unary(depth);
        while (true) {
            Blanks();
            if (m_i >= m_s.size() || (m_s[m_i] != '*' && m_s[m_i] != '/' && m_s[m_i] != '%'))
                return value;
            const char op = m_s[m_i++];
            value = Apply(value, Unary(depth), op);
        }
    }
    std::optional<std::int64_t> Unary(int depth) {
        Blanks();
        if (depth > kMaxArithmeticDepth || m_i >= m_s.size())
            return std::nullopt;
        const char c = m_s[m_i];
        if (c == '-' || c == '+') {
            ++m_i;
            return Apply(std::optional<std::int64_t>(0), Unary(depth + 1), c);
        }
        if (c == '(') {
            ++m_i;
            std::optional<std::int64_t> value = Sum(depth + 1);
            Blanks();
            if (m_i >= m_s.size() || m_s[m_i] != ')')
                return std::nullopt;
            ++m_i;
            return value;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            std::size_t j = m_i;
            while (j < m_s.size() && std::isalnum(static_cast<unsigned char>(m_s[j])))
                ++j;
            const std::optional<std::int64_t> value = Number(m_s.substr(m_i, j - m_i));
            m_i = j;
            return value;
        }
        const std::string name = Identifier();
        if (name.empty())
            return std::nullopt;
        return Number(m_lookup(name));
    }

    const std::string m_s;
    std::function<std::string(const std::string&)> m_lookup;
    std::size_t m_i = 0;
};

void Runner::SetArithmetic(const std::string& expression) {
    Arithmetic arithmetic(expression, [this](const std::string& name) {
        bool defined = false;
        return Lookup(name, defined);
    });
    for (const auto& [name, value] : arithmetic.Run())
        SetVariable(name, value ? std::to_string(*value) : kUnknownValue);
}

void Runner::ChangeFolder(const std::string& rest, bool switchDrive, bool push, int line) {
    std::string target = TrimBlanks(rest);
    if (!push && p::Fold(target.substr(0, 2)) == "/d" && (target.size() == 2 || target[2] == ' ' || target[2] == '\t' || target[2] == '"')) {
        switchDrive = true;
        target = TrimBlanks(target.substr(2));
    }
    target = syntax::WithoutQuotes(target);
    if (target.empty())
        return;
    if (HasUnknown(target) || target.find('%') != std::string::npos ||
        (push && target.size() > 1 && (target[0] == '\\' || target[0] == '/') && (target[1] == '\\' || target[1] == '/'))) {
        Unfollowed(line);  // a folder nobody can know, or a network share pushd maps to a drive
        return;
    }
    const std::string full = Absolute(target);
    if (m_disk.KindOf(full) != EntryKind::Folder) {
        if (m_uncertain)
            Unfollowed(line);  // an earlier unknown command may have made it
        return;                // the interpreter stays where it is
    }
    const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])));
    if (push && m_pushed.size() < kMaxSaved)
        m_pushed.push_back(m_cwd);
    if (switchDrive || drive == Drive() || full[0] == '\\') {
        m_driveCwds[Drive()] = m_cwd;
        m_cwd = full;
    }
    m_driveCwds[drive] = full;
}

void Runner::Call(const std::string& rest, int line) {
    const std::vector<std::string> words = syntax::SplitWords(rest, ",;=");
    if (words.empty())
        return;
    if (words[0][0] == ':') {
        const auto label = m_frame->labels.find(p::Fold(words[0].substr(1)));
        if (label == m_frame->labels.end() || m_depth >= kMaxCallDepth) {
            Unfollowed(line);
            return;
        }
        std::vector<std::string> args = words;
        args[0] = m_frame->args.empty() ? std::string() : m_frame->args[0];
        std::vector<std::string> saved = m_frame->args;
        m_frame->args = args;
        ++m_depth;
        RunLines(label->second + 1, true);
        --m_depth;
        m_return = false;
        m_frame->args = saved;
        return;
    }
    const std::string name = syntax::WithoutQuotes(words[0]);
    const std::string program = ProgramName(name);
    const std::string folded = p::Fold(name);
    if (EndsWith(folded, ".bat") || EndsWith(folded, ".cmd")) {
        CallFile(name, std::vector<std::string>(words.begin() + 1, words.end()), line);
        return;
    }
    if (!HasUnknown(name) && name.find('%') == std::string::npos) {
        for (const char* ext : {".bat", ".cmd"}) {
            const std::string full = Absolute(name + ext);
            if (m_disk.KindOf(full) == EntryKind::File) {
                CallFile(name + ext, std::vector<std::string>(words.begin() + 1, words.end()), line);
                return;
            }
        }
    }
    // "call command": the command's "%" are expanded once more, then it runs as a statement.
    const std::optional<std::string> again = ExpandPercent(rest);
    if (!again) {
        Unfollowed(line);
        return;
    }
    bool incomplete = false;
    const std::vector<int> lineOf(again->size(), line);
    for (const Node& node : syntax::ParseStatement(*again, lineOf, incomplete))
        Exec(node, {});
    (void)program;
}

void Runner::CallFile(const std::string& name, const std::vector<std::string>& words, int line) {
    const std::optional<std::string> full = Resolve(syntax::WithoutQuotes(name), line);
    if (!full)
        return;
    std::optional<std::vector<std::string>> lines;
    if (m_depth < kMaxCallDepth && m_context.readLines)
        lines = m_context.readLines(*full);
    if (!lines) {
        Unfollowed(line);
        return;
    }
    std::vector<std::string> args = {*full};
    args.insert(args.end(), words.begin(), words.end());
    ++m_depth;
    RunFile(*full, *lines, args);
    --m_depth;
}

// ---- Names and the disk

std::string Runner::Absolute(const std::string& name) const {
    std::string n = name;
    for (char& c : n)
        if (c == '/')
            c = '\\';
    if (n.size() >= 2 && n[0] == '\\' && n[1] == '\\')
        return p::Normalise(n);
    if (n.size() >= 2 && std::isalpha(static_cast<unsigned char>(n[0])) && n[1] == ':') {
        const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(n[0])));
        const std::string rest = n.substr(2);
        if (!rest.empty() && rest[0] == '\\')
            return p::Normalise(std::string(1, drive) + ":" + rest);
        std::string base = std::string(1, drive) + ":\\";
        if (drive == Drive())
            base = m_cwd;
        else if (m_driveCwds.count(drive))
            base = m_driveCwds.at(drive);
        return p::Normalise(p::Child(base, rest));
    }
    if (!n.empty() && n[0] == '\\') {
        std::string root = m_cwd;
        while (!p::IsRoot(root))
            root = p::Parent(root);
        return p::Normalise(root + n.substr(1));
    }
    return p::Normalise(p::Child(m_cwd, n));
}

// The full path of a name a command works on; nothing (and the line unfollowed) when the name
// is built from an unknown value or holds a loop variable no loop gives a value.
std::optional<std::string> Runner::Resolve(const std::string& name, int line) {
    if (HasUnknown(name) || name.find('%') != std::string::npos) {
        Unfollowed(line);
        return std::nullopt;
    }
    return Absolute(name);
}

std::vector<std::string> Runner::Matching(const std::string& full, bool files, bool folders) {
    std::vector<std::string> out;
    const std::string folder = p::Parent(full);
    const std::string pattern = p::Leaf(full);
    for (const DiskView::Entry& entry : m_disk.List(folder))
        if ((entry.folder ? folders : files) && MatchesWildcard(pattern, entry.name))
            out.push_back(p::Child(folder, entry.name));
    return out;
}

// Files in `folder` (and below it when `recursive`) whose names match `pattern`, with their
// paths relative to `folder`. Bounded: a walk too large makes the line unfollowed.
std::vector<Runner::Match> Runner::FilesBelow(const std::string& folder, const std::string& pattern, bool recursive, int line) {
    std::vector<Match> out;
    std::vector<std::pair<std::string, std::string>> pending = {{folder, std::string()}};
    while (!pending.empty()) {
        const auto [current, relative] = pending.back();
        pending.pop_back();
        for (const DiskView::Entry& entry : m_disk.List(current)) {
            if (++m_walked > kMaxWalk) {
                if (line >= 0)
                    Unfollowed(line);
                return out;
            }
            const std::string full = p::Child(current, entry.name);
            const std::string rel = relative.empty() ? entry.name : relative + "\\" + entry.name;
            if (entry.folder) {
                if (recursive)
                    pending.emplace_back(full, rel);
            } else if (MatchesWildcard(pattern, entry.name)) {
                out.push_back({full, rel});
            }
        }
    }
    return out;
}

// The files a source name stands for: the matches of a pattern, the files in a folder, or the
// file itself. A missing name counts as a file once the disk is uncertain.
std::vector<std::string> Runner::Sources(const std::string& full, int line) {
    if (HasWildcard(p::Leaf(full))) {
        std::vector<std::string> matches = Matching(full, true, false);
        if (matches.empty() && m_uncertain)
            Unfollowed(line);
        return matches;
    }
    switch (m_disk.KindOf(full)) {
    case EntryKind::File:
        return {full};
    case EntryKind::Folder: {
        std::vector<std::string> files;
        for (const Match& match : FilesBelow(full, "*", false, line))
            files.push_back(match.full);
        return files;
    }
    case EntryKind::Missing:
        break;
    }
    return m_uncertain ? std::vector<std::string>{full} : std::vector<std::string>{};
}

void Runner::Changed(const std::string& full) {
    if (effects.changed.size() >= kMaxChanged) {
        m_stopped = true;
        return;
    }
    if (m_changedKeys.insert(p::Fold(full)).second)
        effects.changed.push_back(full);
}

void Runner::Created(const std::string& full) {
    Changed(full);
    m_disk.AddFile(full);
}

void Runner::Unfollowed(int line) {
    m_uncertain = true;
    if (!m_frame || line < 0 || static_cast<std::size_t>(line) >= m_frame->lines->size())
        return;
    if (m_unfollowedKeys.insert({m_frame->file, line}).second)
        effects.unfollowed.push_back({m_frame->file, line + 1, (*m_frame->lines)[static_cast<std::size_t>(line)]});
}

void Runner::WriteTo(const std::string& target, int line) {
    const std::string name = syntax::WithoutQuotes(target);
    if (TrimBlanks(name).empty() || IsDeviceName(name))
        return;
    if (const std::optional<std::string> full = Resolve(name, line))
        Created(*full);
}


// ---- File commands

// del and erase: "/s" takes every folder below; a folder name stands for the files in it. Any
// switch del does not know ("del maps/a.map" gives "/a.map") stops the command before it
// deletes anything.
void Runner::Delete(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    bool recursive = false;
    for (const Arg& arg : args) {
        if (!arg.isSwitch)
            continue;
        const std::string flag = p::Fold(arg.text);
        if (flag == "s") {
            recursive = true;
        } else if (flag == "p" || flag == "f" || flag == "q") {
        } else if (!flag.empty() && flag[0] == 'a') {
            const std::string attributes = flag.substr(flag.size() > 1 && flag[1] == ':' ? 2 : 1);
            if (attributes.find_first_not_of("rhsailo-") != std::string::npos)
                return;
        } else {
            return;
        }
    }
    for (const std::string& name : Names(args)) {
        if (IsDeviceName(name))
            continue;
        const std::optional<std::string> full = Resolve(name, line);
        if (!full)
            continue;
        const bool pattern = HasWildcard(p::Leaf(*full));
        const EntryKind kind = pattern ? EntryKind::Missing : m_disk.KindOf(*full);
        if (recursive) {
            const bool folder = kind == EntryKind::Folder;
            const std::string root = folder ? *full : p::Parent(*full);
            for (const Match& match : FilesBelow(root, folder ? "*" : p::Leaf(*full), true, line))
                Changed(match.full);
            if (!folder && m_uncertain)
                Changed(*full);
        } else if (pattern || kind == EntryKind::Folder) {
            for (const std::string& file : Sources(*full, line))
                Changed(file);
        } else if (kind == EntryKind::File || m_uncertain) {
            Changed(*full);
        }
    }
}

// rd without /s removes only an empty folder; with /s every file below it goes.
void Runner::RemoveFolder(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    bool recursive = false;
    for (const Arg& arg : args) {
        const std::string flag = p::Fold(arg.text);
        if (arg.isSwitch && flag == "s")
            recursive = true;
        else if (arg.isSwitch && flag != "q")
            return;
    }
    if (!recursive)
        return;
    for (const std::string& name : Names(args)) {
        const std::optional<std::string> full = Resolve(name, line);
        if (!full)
            continue;
        if (m_disk.KindOf(*full) == EntryKind::Folder) {
            for (const Match& match : FilesBelow(*full, "*", true, line))
                Changed(match.full);
        } else if (m_uncertain) {
            Unfollowed(line);
        }
    }
}

// Where a file lands when copied, moved or renamed onto `target`: into a folder under its own
// name, by a wildcard pattern, or onto the target itself.
std::string Destination(const std::string& target, bool targetIsFolder, const std::string& source) {
    if (targetIsFolder)
        return p::Child(target, p::Leaf(source));
    const std::string leaf = p::Leaf(target);
    if (HasWildcard(leaf))
        return p::Child(p::Parent(target), NameByPattern(leaf, p::Leaf(source)));
    return target;
}

bool NamesFolder(const std::string& name) {
    return !name.empty() && (name.back() == '\\' || name.back() == '/' || name.back() == ':' || name == "." || name == ".." ||
                             EndsWith(name, "\\.") || EndsWith(name, "\\.."));
}

// copy [switches] source[+source...] [target]: sources joined by "+" become one file; without a
// target the files land in the current folder.
void Runner::Copy(const std::string& rest, int line) {
    std::vector<std::string> groups;
    for (const std::string& name : Names(InternalArgs(rest))) {
        if (!groups.empty() && (groups.back().back() == '+' || name.front() == '+'))
            groups.back() += name;
        else
            groups.push_back(name);
    }
    if (groups.empty())
        return;
    std::vector<std::string> sources;
    const std::size_t sourceGroups = groups.size() > 1 ? groups.size() - 1 : 1;
    for (std::size_t g = 0; g < sourceGroups; ++g) {
        std::size_t start = 0;
        for (std::size_t plus; (plus = groups[g].find('+', start)) != std::string::npos; start = plus + 1)
            if (plus > start)
                sources.push_back(groups[g].substr(start, plus - start));
        if (start < groups[g].size())
            sources.push_back(groups[g].substr(start));
    }
    if (sources.empty())
        return;
    const bool joined = sources.size() > 1;
    std::string targetName = groups.size() > 1 ? groups.back() : joined ? sources.front() : ".";
    if (IsDeviceName(targetName))
        return;
    const std::optional<std::string> target = Resolve(targetName, line);
    if (!target)
        return;
    const bool targetIsFolder = NamesFolder(targetName) || m_disk.KindOf(*target) == EntryKind::Folder;
    for (const std::string& source : sources) {
        if (IsDeviceName(source))
            continue;
        const std::optional<std::string> full = Resolve(source, line);
        if (!full)
            continue;
        for (const std::string& file : Sources(*full, line)) {
            const std::string destination = joined && !targetIsFolder ? *target : Destination(*target, targetIsFolder, file);
            if (p::Fold(destination) != p::Fold(file) || joined)
                Created(destination);
        }
    }
}

// Every file below `folder` moves to the same place below `destination`.
void Runner::MoveTree(const std::string& folder, const std::string& destination, int line) {
    m_disk.AddFolder(destination);
    for (const Match& match : FilesBelow(folder, "*", true, line)) {
        Changed(match.full);
        Created(p::Child(destination, match.relative));
    }
}

// move [/y] source[,source...] [target]: files by name or pattern, or a whole folder.
void Runner::Move(const std::string& rest, int line) {
    const std::vector<std::string> names = Names(InternalArgs(rest));
    if (names.empty())
        return;
    const std::string targetName = names.size() > 1 ? names.back() : ".";
    const std::optional<std::string> target = Resolve(targetName, line);
    if (!target)
        return;
    const bool targetIsFolder = NamesFolder(targetName) || m_disk.KindOf(*target) == EntryKind::Folder;
    for (std::size_t i = 0; i + 1 < names.size() || (i == 0 && names.size() == 1); ++i) {
        const std::optional<std::string> full = Resolve(names[i], line);
        if (!full)
            continue;
        if (!HasWildcard(p::Leaf(*full)) && m_disk.KindOf(*full) == EntryKind::Folder) {
            MoveTree(*full, targetIsFolder ? p::Child(*target, p::Leaf(*full)) : *target, line);
            continue;
        }
        for (const std::string& file : Sources(*full, line)) {
            const std::string destination = Destination(*target, targetIsFolder, file);
            if (p::Fold(destination) == p::Fold(file))
                continue;
            Changed(file);
            Created(destination);
        }
    }
}

// ren source newname: the new name is a name in the same folder, maybe with wildcards.
void Runner::Rename(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    for (const Arg& arg : args)
        if (arg.isSwitch)
            return;  // ren knows no switches: "ren maps/a.map b.map" renames nothing
    const std::vector<std::string> names = Names(args);
    if (names.size() < 2 || names[1].find_first_of("\\:") != std::string::npos)
        return;
    const std::optional<std::string> full = Resolve(names[0], line);
    if (!full || (HasUnknown(names[1]) || names[1].find('%') != std::string::npos)) {
        if (full)
            Unfollowed(line);
        return;
    }
    const std::string folder = p::Parent(*full);
    if (HasWildcard(p::Leaf(*full))) {
        for (const std::string& match : Matching(*full, true, true)) {
            const std::string destination = p::Child(folder, NameByPattern(names[1], p::Leaf(match)));
            if (m_disk.KindOf(match) == EntryKind::Folder) {
                MoveTree(match, destination, line);
            } else if (p::Fold(destination) != p::Fold(match)) {
                Changed(match);
                Created(destination);
            }
        }
        return;
    }
    const std::string destination =
        p::Child(folder, HasWildcard(names[1]) ? NameByPattern(names[1], p::Leaf(*full)) : names[1]);
    const EntryKind kind = m_disk.KindOf(*full);
    if (kind == EntryKind::Folder) {
        MoveTree(*full, destination, line);
    } else if (kind == EntryKind::File || m_uncertain) {
        Changed(*full);
        Created(p::Normalise(destination));
    }
}

// xcopy source [target] [switches]: a file, a pattern or a folder; /s and /e go below. Without
// /i, a target that does not exist may become a file or a folder (xcopy asks): both count.
void Runner::Xcopy(const std::string& rest, int line) {
    bool recursive = false, folderTarget = false;
    std::vector<std::string> names;
    for (const Arg& arg : ProgramArgs(rest)) {
        const std::string flag = p::Fold(arg.text);
        if (!arg.isSwitch)
            names.push_back(arg.text);
        else if (flag == "s" || flag == "e")
            recursive = true;
        else if (flag == "i")
            folderTarget = true;
        else if (flag == "l" || flag == "t")
            return;  // lists, or makes only the folders
    }
    if (names.empty())
        return;
    const std::optional<std::string> source = Resolve(names[0], line);
    const std::optional<std::string> target = Resolve(names.size() > 1 ? names[1] : ".", line);
    if (!source || !target)
        return;
    const bool pattern = HasWildcard(p::Leaf(*source));
    const EntryKind kind = pattern ? EntryKind::Missing : m_disk.KindOf(*source);
    const EntryKind targetKind = m_disk.KindOf(*target);
    const bool targetNamedFolder = names.size() < 2 || NamesFolder(names[1]);
    if (kind == EntryKind::File || (kind == EntryKind::Missing && !pattern)) {
        if (kind == EntryKind::Missing && !m_uncertain)
            return;
        if (targetKind == EntryKind::Folder || targetNamedFolder) {
            Created(p::Child(*target, p::Leaf(*source)));
        } else {
            Created(*target);
            if (targetKind == EntryKind::Missing)
                Created(p::Child(*target, p::Leaf(*source)));
        }
        return;
    }
    const std::string folder = pattern ? p::Parent(*source) : *source;
    const std::vector<Match> files = FilesBelow(folder, pattern ? p::Leaf(*source) : "*", recursive, line);
    if (files.empty() && m_uncertain)
        Unfollowed(line);
    const bool asFile = targetKind == EntryKind::File ||
                        (targetKind == EntryKind::Missing && !folderTarget && !targetNamedFolder && files.size() <= 1);
    for (const Match& match : files) {
        if (targetKind != EntryKind::File)
            Created(p::Child(*target, match.relative));
        if (asFile)
            Created(*target);
    }
}

// robocopy source target [files...] [options]: /s and /e go below, /mov and /move take the
// source files away, /mir and /purge delete target files the source lacks, /log: writes a file.
void Runner::Robocopy(const std::string& rest, int line) {
    bool recursive = false, purge = false, moves = false, skipValues = false;
    std::vector<std::string> names;
    for (const Arg& arg : ProgramArgs(rest)) {
        const std::string flag = p::Fold(arg.text);
        if (!arg.isSwitch) {
            if (!skipValues)
                names.push_back(arg.text);
            continue;
        }
        skipValues = false;
        if (flag == "s" || flag == "e") {
            recursive = true;
        } else if (flag == "mir") {
            recursive = purge = true;
        } else if (flag == "purge") {
            purge = true;
        } else if (flag == "mov" || flag == "move") {
            moves = true;
        } else if (flag == "l") {
            return;  // lists only
        } else if (flag == "xf" || flag == "xd") {
            skipValues = true;  // the names after it are left out, not copied
        } else {
            for (const char* log : {"log:", "log+:", "unilog:", "unilog+:"})
                if (flag.compare(0, std::char_traits<char>::length(log), log) == 0)
                    WriteTo(arg.text.substr(std::char_traits<char>::length(log)), line);
        }
    }
    if (names.size() < 2)
        return;
    const std::optional<std::string> source = Resolve(names[0], line);
    const std::optional<std::string> target = Resolve(names[1], line);
    if (!source || !target)
        return;
    std::vector<std::string> patterns(names.begin() + 2, names.end());
    if (patterns.empty())
        patterns.push_back("*.*");
    if (m_disk.KindOf(*source) != EntryKind::Folder && m_uncertain)
        Unfollowed(line);
    if (purge)
        for (const Match& match : FilesBelow(*target, "*", true, line))
            Changed(match.full);
    for (const Match& match : FilesBelow(*source, "*", recursive, line)) {
        bool wanted = false;
        for (const std::string& pattern : patterns)
            wanted = wanted || MatchesWildcard(pattern, p::Leaf(match.full));
        if (!wanted)
            continue;
        Created(p::Child(*target, match.relative));
        if (moves)
            Changed(match.full);
    }
}

// The kit's patcher: "ApplyPPF3 a|u <file> <patch>" changes <file>.
void Runner::Patch(const std::string& rest, int line) {
    const std::vector<std::string> words = syntax::SplitWords(rest, "");
    if (words.size() < 3)
        return;
    const std::string mode = p::Fold(syntax::WithoutQuotes(words[0]));
    if (mode != "a" && mode != "u")
        return;
    if (const std::optional<std::string> full = Resolve(syntax::WithoutQuotes(words[1]), line))
        Created(*full);
}

}  // namespace

BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context) {
    Runner runner(context);
    runner.RunFile(context.batchPath, lines, {context.batchPath});
    return runner.effects;
}

}  // namespace batchfile
