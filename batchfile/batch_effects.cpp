// Runs a batch file in thought: variables, the current folder and a view of the disk follow
// each command, and every file a command may change is collected.
#include "batchfile/batch_effects.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "batchfile/batch_arithmetic.h"
#include "batchfile/batch_runner.h"
#include "batchfile/file_changes.h"

namespace batchfile::runner {
namespace {

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

}  // namespace

// ---- Reading lines into statements

// Reads a whole batch file: first its labels and the labels `call :label` names anywhere in it,
// then its statements from the top.
void Runner::RunFile(const std::string& file, const std::vector<std::string>& lines, std::vector<std::string> args) {
    Frame frame{file, &lines, std::move(args), {}, {}};
    m_steps += lines.size() / 16;  // the label scan below is work too
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
    while (m_saved.size() > savedDepth)  // a batch file's setlocal ends with it
        EndLocal();
}

// endlocal gives back the variables, the expansion mode and the folder setlocal saw.
void Runner::EndLocal() {
    m_vars = m_saved.back().vars;
    m_delayed = m_saved.back().delayed;
    m_cwd = m_saved.back().cwd;
    m_driveCwds = m_saved.back().driveCwds;
    m_saved.pop_back();
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
        if (!Step(static_cast<int>(i)))
            break;
        if (IsLabelLine(lines[i])) {
            const bool called = m_frame->callTargets.count(LabelName(lines[i])) > 0;
            i = called && !subroutine ? EndOfSubroutine(i) : i + 1;
            continue;
        }
        const std::size_t first = i;
        std::vector<int> lineOf;
        bool incomplete = false;
        std::vector<Node> nodes;
        const std::optional<std::string> text = ReadStatement(i, lineOf, incomplete, nodes);
        if (m_stopped)
            return;
        if (!text || incomplete) {
            Unfollowed(static_cast<int>(first));
            continue;
        }
        // A variable that may hold other values (set in a branch or after a goto) gives the
        // statement once more for each of them.
        const std::vector<std::string> raw(lines.begin() + static_cast<std::ptrdiff_t>(first),
                                           lines.begin() + static_cast<std::ptrdiff_t>(i));
        const std::vector<Overrides> variants = Alternatives(raw, '%', static_cast<int>(first));
        for (const Node& node : nodes)
            Exec(node, {});
        for (const Overrides& overrides : variants) {
            std::size_t again = first;
            m_overrides = &overrides;
            const std::optional<std::string> other = ReadStatement(again, lineOf, incomplete, nodes);
            m_overrides = nullptr;
            if (other && !incomplete)
                for (const Node& node : nodes)
                    Exec(node, {});
        }
    }
}

// Reads one statement from line `i` on, expanding "%" as each line is read: a "^" at the end
// joins the next line, and an open block or for set takes the lines up to its ")".
std::optional<std::string> Runner::ReadStatement(std::size_t& i, std::vector<int>& lineOf, bool& incomplete,
                                                 std::vector<Node>& nodes) {
    const std::vector<std::string>& lines = *m_frame->lines;
    const std::size_t first = i;
    std::optional<std::string> text = ExpandPercent(lines[i++]);
    lineOf.clear();
    incomplete = false;
    while (text) {
        while (syntax::EndsWithContinuation(*text) && i < lines.size() && text->size() < kMaxText) {
            text->pop_back();
            const std::optional<std::string> more = ExpandPercent(lines[i++]);
            if (!more)
                return std::nullopt;
            *text += *more;
        }
        lineOf.resize(text->size(), static_cast<int>(i - 1));
        m_parsed += text->size();
        if (m_parsed > kMaxParsed) {
            Unfollowed(static_cast<int>(first));
            m_stopped = true;
            return std::nullopt;
        }
        nodes = syntax::ParseStatement(*text, lineOf, incomplete);
        // Still open: the statement takes the next lines, expanded now, before anything in the
        // block runs. Only a line with ")" can close it.
        bool closing = false;
        while (incomplete && !closing && i < lines.size() && i - first <= kMaxBlockLines && text->size() <= kMaxText &&
               Step(static_cast<int>(i))) {
            const std::optional<std::string> more = ExpandPercent(lines[i++]);
            if (!more)
                return std::nullopt;
            *text += "\n" + *more;
            lineOf.resize(text->size(), static_cast<int>(i - 1));
            closing = more->find(')') != std::string::npos;
        }
        if (!closing)
            break;
    }
    return text;
}

namespace {

// The names between `delimiter` pairs in the texts, as "%NAME%" or "!NAME:~1!" write them.
std::vector<std::string> ReferencedNames(const std::vector<std::string>& texts, char delimiter) {
    std::vector<std::string> names;
    for (const std::string& text : texts) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != delimiter)
                continue;
            if (delimiter == '%' && i + 1 < text.size() &&
                (text[i + 1] == '%' || text[i + 1] == '~' || text[i + 1] == '*' || std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
                ++i;
                continue;
            }
            const std::size_t close = text.find(delimiter, i + 1);
            if (close == std::string::npos)
                break;
            const std::string content = text.substr(i + 1, close - i - 1);
            names.push_back(p::Fold(content.substr(0, content.find(':'))));
            i = close;
        }
    }
    return names;
}

}  // namespace

// Every other combination of values the variables the texts use may hold; none when each has
// one value. Too many makes the line unfollowed, and only the current values are read.
std::vector<Runner::Overrides> Runner::Alternatives(const std::vector<std::string>& texts, char delimiter, int line) {
    std::vector<Overrides> combos = {Overrides()};
    std::set<std::string> seen;
    for (const std::string& name : ReferencedNames(texts, delimiter)) {
        const auto found = m_vars.find(name);
        if (found == m_vars.end() || found->second.others.empty() || !seen.insert(name).second)
            continue;
        std::vector<Overrides> grown;
        for (const Overrides& combo : combos) {
            grown.push_back(combo);
            for (const std::string& other : found->second.others) {
                Overrides more = combo;
                more[name] = other;
                grown.push_back(std::move(more));
            }
        }
        if (grown.size() > kMaxVariants) {
            Unfollowed(line);
            return {};
        }
        combos = std::move(grown);
    }
    combos.erase(combos.begin());  // the current values, read already
    return combos;
}

// A variable's value: the value a variant reading chose, a set or inherited one, or one of the
// interpreter's dynamic names. Time, date and random numbers are not known in advance.
std::string Runner::Lookup(const std::string& name, bool& defined) const {
    defined = true;
    if (m_overrides) {
        const auto chosen = m_overrides->find(p::Fold(name));
        if (chosen != m_overrides->end()) {
            defined = !chosen->second.empty();
            return chosen->second;
        }
    }
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
        ++m_branches;
        for (const Node& child : node.children) {
            Exec(child, bindings);
            m_return = false;
        }
        --m_branches;
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
    ExecCommandOnce(node, bindings);
    if (!m_delayed)
        return;
    std::vector<std::string> texts = {node.text};
    for (const syntax::Redirect& redirect : node.redirects)
        texts.push_back(redirect.target);
    for (const Overrides& overrides : Alternatives(texts, '!', node.line)) {
        m_overrides = &overrides;
        ExecCommandOnce(node, bindings);
        m_overrides = nullptr;
    }
}

void Runner::ExecCommandOnce(const Node& node, const Bindings& bindings) {
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
        if (m_frame->subroutines > 0 && EndsSubroutine(command + rest))
            m_return = true;  // the main reading goes on past it: later lines may be reached
        else if (command == "goto")
            m_jumped = true;
    } else if (command == "shift") {
        if (m_frame->args.size() > 1)
            m_frame->args.erase(m_frame->args.begin() + 1);
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
        if (!m_saved.empty())
            EndLocal();
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

// The values a for gives its variable, found now against the disk view as earlier commands left
// it; then the body runs once for each, with the variable bound.
void Runner::ExecFor(const Node& node, const Bindings& bindings) {
    const int line = node.line;
    const std::optional<std::string> set = Prepare(node.forSet, bindings);
    if (!set) {
        Unfollowed(line);
        return;
    }
    std::vector<Bindings> runs;
    bool knowable = true;
    auto add = [&](const std::string& value) {
        if (runs.size() > kMaxLoopItems) {
            knowable = false;
            return;
        }
        Bindings run = bindings;
        run.emplace_back(node.forVar, value);
        runs.push_back(std::move(run));
    };
    const std::vector<std::string> items = syntax::SplitWords(*set, ",;=");
    if (node.forSwitch == "/l") {
        long long numbers[3] = {0, 0, 0};
        for (std::size_t k = 0; k < items.size() && k < 3; ++k)
            numbers[k] = std::clamp<long long>(std::strtoll(items[k].c_str(), nullptr, 10), INT32_MIN, INT32_MAX);  // 32-bit, as the interpreter counts
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
        // Only a literal string is plainly knowable: "text", or 'text' with usebackq. Files and
        // a command's output are not.
        const std::string options = syntax::WithoutQuotes(node.forOptions);
        const char quote = p::Fold(options).find("usebackq") != std::string::npos ? '\'' : '"';
        const std::string trimmed = TrimBlanks(*set);
        const std::optional<std::vector<std::string>> values =
            trimmed.size() >= 2 && trimmed.front() == quote && trimmed.back() == quote && !HasUnknown(trimmed)
                ? syntax::ForTokens(options, trimmed.substr(1, trimmed.size() - 2))
                : std::nullopt;
        if (!values) {
            knowable = false;
        } else if (!values->empty()) {
            Bindings run = bindings;
            for (std::size_t k = 0; k < values->size(); ++k)
                run.emplace_back(static_cast<char>(node.forVar + static_cast<int>(k)), (*values)[k]);
            runs.push_back(std::move(run));
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
    const std::string folded = p::Fold(name);
    const std::string kept = value.size() > kMaxText ? kUnknownValue : value;
    const auto found = m_vars.find(folded);
    Variable variable{name, kept, {}};
    if (m_branches > 0 || m_jumped) {
        // The set may not happen: the old value (or none) stays possible beside the new one.
        std::vector<std::string> others;
        if (found != m_vars.end()) {
            others = found->second.others;
            others.push_back(found->second.value);
        } else if (m_branches > 0) {
            others.push_back(std::string());  // "if ... set NAME=x" may leave it undefined
        }
        for (const std::string& other : others)
            if (other != kept && std::find(variable.others.begin(), variable.others.end(), other) == variable.others.end())
                variable.others.push_back(other);
        if (variable.others.size() > kMaxAlternatives) {
            variable.value = kUnknownValue;
            variable.others.clear();
        }
    }
    if (variable.value.empty() && variable.others.empty())
        m_vars.erase(folded);
    else
        m_vars[folded] = variable;
}

// set NAME=value keeps everything after "=" to the end of the command, trailing blanks too;
// set "NAME=value" ends at the last quote; set /p takes what the player types.
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


void Runner::SetArithmetic(const std::string& expression) {
    const auto lookup = [this](const std::string& name) {
        bool defined = false;
        return Lookup(name, defined);
    };
    for (const auto& [name, value] : Arithmetic(expression, lookup))
        SetVariable(name, value ? std::to_string(*value) : kUnknownValue);
}

// cd, chdir and pushd. Without /d, cd to another drive only changes that drive's folder, not
// the current drive; pushd always switches. A folder that is not there leaves all as it was.
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

// call :label runs the subroutine with its own %1..; call other.bat reads that file with the
// arguments; call with any other command expands its "%" once more and runs it.
void Runner::Call(const std::string& rest, int line) {
    const std::vector<std::string> words = syntax::SplitWords(rest, ",;=");
    if (words.empty())
        return;
    if (words[0][0] == ':') {
        const auto label = m_frame->labels.find(p::Fold(words[0].substr(1)));
        if (label == m_frame->labels.end() || m_depth >= kMaxCallDepth || ++m_calls > kMaxCalls) {
            Unfollowed(line);
            return;
        }
        std::vector<std::string> args = words;
        args[0] = m_frame->args.empty() ? std::string() : m_frame->args[0];
        std::vector<std::string> saved = m_frame->args;
        m_frame->args = args;
        ++m_depth;
        ++m_frame->subroutines;
        RunLines(label->second + 1, true);
        --m_frame->subroutines;
        --m_depth;
        m_return = false;
        m_frame->args = saved;
        return;
    }
    const std::string name = syntax::WithoutQuotes(words[0]);
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
}

// Another batch file shares the variables and the folder; its lines are unfollowed in its own
// name. Past the depth or count bound, or when it cannot be read, the calling line is unfollowed.
void Runner::CallFile(const std::string& name, const std::vector<std::string>& words, int line) {
    const std::optional<std::string> full = Resolve(syntax::WithoutQuotes(name), line);
    if (!full)
        return;
    std::optional<std::vector<std::string>> lines;
    if (m_depth < kMaxCallDepth && ++m_calls <= kMaxCalls && m_context.readLines)
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

// A name as the file functions read it against the current folder: "X:\..." full, "X:rest"
// against drive X's own folder, "\rest" from the current drive's root, "\\server\share" as is.
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

// Keeps a changed file once, by its folded name, with the case it was first met in.
void Runner::Changed(const std::string& full) {
    if (effects.changed.size() >= kMaxChanged) {
        m_stopped = true;
        return;
    }
    if (m_changedKeys.insert(p::Fold(full)).second)
        effects.changed.push_back(full);
}

void Runner::Created(const std::string& full) {
    if (m_disk.KindOf(full) == EntryKind::Folder)
        return;  // a folder cannot be written as a file: the command fails there
    Changed(full);
    m_disk.AddFile(full);
}

// Names a line that cannot be followed. From then on the disk view is uncertain: a name
// that is not there may have been made by that line.
void Runner::Unfollowed(int line) {
    m_uncertain = true;
    if (!m_frame || line < 0 || static_cast<std::size_t>(line) >= m_frame->lines->size())
        return;
    if (m_unfollowedKeys.insert({m_frame->file, line}).second)
        effects.unfollowed.push_back({m_frame->file, line + 1, (*m_frame->lines)[static_cast<std::size_t>(line)]});
}

// A redirection's target is written; devices ("nul", "con") are not files.
void Runner::WriteTo(const std::string& target, int line) {
    const std::string name = syntax::WithoutQuotes(target);
    if (TrimBlanks(name).empty() || IsDeviceName(name))
        return;
    if (const std::optional<std::string> full = Resolve(name, line))
        Created(*full);
}


}  // namespace batchfile::runner

namespace batchfile {

BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context) {
    runner::Runner runner(context);
    runner.RunFile(context.batchPath, lines, {context.batchPath});
    return runner.effects;
}

}  // namespace batchfile
