// The batch reader running a statement: blocks, both branches of an if, and the command a
// line names, handed to the command that follows it.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>
#include <cctype>

#include "base/paths.h"
#include "base/text.h"

namespace batchfile::runner {

bool Runner::Step(int line) {
    if (m_stopped)
        return false;
    m_line = line;
    if (++m_steps > kMaxSteps) {
        Stop(line);
        return false;
    }
    return true;
}

void Runner::Exec(const Node& node, const Bindings& bindings) {
    if (!Step(node.line) || m_return || m_goto)
        return;
    switch (node.kind) {
    case Node::Kind::Bad:
        Unfollowed(node.line, UnfollowedWhy::UnreadableText);
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
        ExecIf(node, bindings);
        break;
    case Node::Kind::For:
        ExecFor(node, bindings);
        break;
    case Node::Kind::Command:
        ExecCommand(node, bindings);
        break;
    }
}


void Runner::ExecCommand(const Node& node, const Bindings& bindings) {
    ExecCommandOnce(node, bindings);
    if (!m_delayed || !HasAlternatives() || Inert(node))
        return;
    std::vector<std::string> texts = {node.text};
    for (const syntax::Redirect& redirect : node.redirects)
        texts.push_back(redirect.target);
    for (const Overrides& overrides : Alternatives(texts, '!', node.line)) {
        const bool variant = m_variant;
        m_overrides = &overrides;
        m_variant = true;
        ExecCommandOnce(node, bindings);
        m_overrides = nullptr;
        m_variant = variant;
    }
}

// An if whose condition the reader can answer (a name the disk answers, a variable known to
// be set or not, a comparison of known texts) runs only the branch it picks; any other may go
// either way, so both branches are followed and the files of each are kept. In a statement
// also read for other values of its variables, the picked branch may not run in the others:
// what it sets stays one value among others.
void Runner::ExecIf(const Node& node, const Bindings& bindings) {
    std::optional<bool> holds;
    if (node.ifExist)
        holds = Exists(*node.ifExist, bindings);
    else if (node.ifDefined)
        holds = Defined(*node.ifDefined, bindings);
    else if (!node.ifOp.empty())
        holds = Compares(node, bindings);
    if (holds) {
        const std::size_t branch = *holds != node.ifNot ? 0 : 1;
        const bool maybe = m_statementVariants && !node.ifExist;
        m_branches += maybe ? 1 : 0;
        if (branch < node.children.size())
            Exec(node.children[branch], bindings);
        m_branches -= maybe ? 1 : 0;
        return;
    }
    ++m_branches;
    for (const Node& child : node.children) {
        Exec(child, bindings);
        m_return = false;
    }
    --m_branches;
}

namespace {

// A whole decimal number as "if" compares them; nothing for any other text (and for the
// octal and hexadecimal forms, which the reader leaves to the interpreter).
std::optional<long long> Number(const std::string& text) {
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i >= text.size() || text.size() > 12 || text.find_first_not_of("0123456789", i) != std::string::npos ||
        (text[i] == '0' && text.size() > i + 1))
        return std::nullopt;
    return std::stoll(text);
}

}  // namespace

// "if [not] defined NAME": known when the variable's value, and every value it may hold
// instead, agree on whether it is set.
std::optional<bool> Runner::Defined(const std::string& text, const Bindings& bindings) {
    const std::optional<std::string> name = Prepare(text, bindings);
    if (!name || name->empty() || HasUnknown(*name))
        return std::nullopt;
    const std::string folded = base::AsciiLower(*name);
    if (m_overrides && m_overrides->count(folded))
        return !m_overrides->at(folded).empty();
    const auto found = m_vars.find(folded);
    if (found != m_vars.end()) {
        for (const std::string& other : found->second.others)
            if (other.empty())
                return std::nullopt;
        return true;
    }
    bool defined = false;
    Lookup(*name, defined);
    return defined;
}

// "if [/i] a==b" and "a EQU b" ...: known when both sides are known texts (and, for the
// ordering ones, both numbers). A side read with "!" from a variable that may hold other
// values is not known here, as this reading takes only one of them.
std::optional<bool> Runner::Compares(const Node& node, const Bindings& bindings) {
    if (m_delayed)
        for (const std::string& name : ReferencedNames({node.ifLeft, node.ifRight}, '!')) {
            const auto found = m_vars.find(name);
            if (found != m_vars.end() && !found->second.others.empty() && !(m_overrides && m_overrides->count(name)))
                return std::nullopt;
        }
    std::optional<std::string> left = Prepare(node.ifLeft, bindings), right = Prepare(node.ifRight, bindings);
    if (!left || !right || HasUnknown(*left) || HasUnknown(*right) || left->empty() || right->empty())
        return std::nullopt;
    if (node.ifIgnoreCase) {
        for (const std::string* side : {&*left, &*right})
            for (const char c : *side)
                if (static_cast<unsigned char>(c) >= 0x80)
                    return std::nullopt;  // the interpreter folds these by the system's locale
        left = base::AsciiLower(*left);
        right = base::AsciiLower(*right);
    }
    const std::string& op = node.ifOp;
    if (op == "==")
        return *left == *right;
    const std::optional<long long> a = Number(*left), b = Number(*right);
    if (a && b) {
        if (op == "equ") return *a == *b;
        if (op == "neq") return *a != *b;
        if (op == "lss") return *a < *b;
        if (op == "leq") return *a <= *b;
        if (op == "gtr") return *a > *b;
        if (op == "geq") return *a >= *b;
        return std::nullopt;
    }
    if (op == "equ" && (a || b) == false)
        return *left == *right;
    if (op == "neq" && (a || b) == false)
        return *left != *right;
    return std::nullopt;
}

// Whether the name is there, when the disk it was given can say: a known name without a
// wildcard, that no earlier line of the run made, changed or may have changed.
std::optional<bool> Runner::Exists(const std::string& text, const Bindings& bindings) {
    const std::optional<std::string> prepared = Prepare(text, bindings);
    if (!prepared || m_uncertain)
        return std::nullopt;
    std::string name = syntax::WithoutQuotes(*prepared);
    if (base::IsDeviceName(name))
        name = base::FolderPart(name) + ".";  // "folder\nul" asks whether the folder is there
    if (name.empty() || HasUnknown(name) || name.find('%') != std::string::npos || base::HasWildcard(name))
        return std::nullopt;
    const std::string full = Absolute(name);
    if (HasUnknown(full) || m_disk.Added(full) || Touched(full))
        return std::nullopt;
    return m_disk.KindOf(full) != base::PathKind::Missing;
}

// Whether the run changed the name or anything below it.
bool Runner::Touched(const std::string& full) const {
    const std::string folded = m_fold(full);
    if (m_changedKeys.count(folded))
        return true;
    const std::string below = base::Join(folded, "");
    const auto next = m_changedKeys.lower_bound(below);
    return next != m_changedKeys.end() && next->compare(0, below.size(), below) == 0;
}

namespace {

// "net session" (which only tells whether it runs as an administrator) and "reg query" read
// and change no file.
bool AsksOnly(const std::string& program, const std::string& rest) {
    const std::string first = base::AsciiLower(TrimBlanks(rest)).substr(0, 8);
    return (program == "net" && first.compare(0, 7, "session") == 0) || (program == "reg" && first.compare(0, 5, "query") == 0);
}

// The command word of a prepared command text and the rest after it; "echo." and "cd.." are
// read as their command and an argument written straight against it.
std::optional<CommandWord> SplitCommand(const std::string& text) {
    const std::size_t i = text.find_first_not_of(" \t,;=@");
    if (i == std::string::npos)
        return std::nullopt;
    CommandWord word;
    if (text[i] == '"') {
        const std::size_t close = text.find('"', i + 1);
        word.name = text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
        word.rest = close == std::string::npos ? std::string() : text.substr(close + 1);
    } else {
        const std::size_t end = std::min(text.find_first_of(" \t,;=/(+", i), text.size());
        word.name = text.substr(i, end - i);
        word.rest = text.substr(end);
    }
    word.command = base::AsciiLower(word.name);
    for (const char* joinable : kJoinable) {
        const std::string known = joinable;
        if (word.command.size() > known.size() && word.command.compare(0, known.size(), known) == 0 &&
            std::string(".\\:[]+").find(word.command[known.size()]) != std::string::npos) {
            word.rest = word.name.substr(known.size()) + word.rest;
            word.command = known;
            return word;
        }
    }
    for (const char* joinable : kJoinableLabel) {
        const std::string known = joinable;
        if (word.command.size() > known.size() && word.command.compare(0, known.size(), known) == 0 &&
            word.command[known.size()] == ':') {
            word.rest = word.name.substr(known.size()) + word.rest;
            word.command = known;
        }
    }
    return word;
}

}  // namespace

// Whether the statements change nothing whatever values their variables hold: commands that
// change no file or state ("echo !OK! copied"), with no output redirected, in any block, if
// or for. Such a statement is read once, not once for each value a variable may hold.
bool Inert(const Node& node) {
    for (const syntax::Redirect& redirect : node.redirects)
        if (redirect.output)
            return false;
    if (node.kind == Node::Kind::Bad)
        return false;
    if (node.kind != Node::Kind::Command)
        return Inert(node.children);
    // The first word alone, folded, as SplitCommand reads it ("echo." is echo); a quoted one
    // is a program. Short words fold without allocating.
    const std::string& text = node.text;
    const std::size_t i = text.find_first_not_of(" \t,;=@");
    if (i == std::string::npos)
        return true;
    if (text[i] == '"')
        return false;
    std::string word = base::AsciiLower(text.substr(i, std::min(text.find_first_of(" \t,;=/(+", i), text.size()) - i));
    if (kHarmless.count(word))
        return word != "goto" && word != "exit";
    for (const char* joinable : kJoinable) {
        const std::size_t size = std::char_traits<char>::length(joinable);
        if (word.size() > size && word.compare(0, size, joinable) == 0 && std::string(".\\:[]+").find(word[size]) != std::string::npos)
            word.resize(size);
    }
    return kHarmless.count(word) > 0 && word != "goto" && word != "exit";
}

bool Inert(const std::vector<Node>& nodes) {
    return std::all_of(nodes.begin(), nodes.end(), [](const Node& node) { return Inert(node); });
}

void Runner::ExecCommandOnce(const Node& node, const Bindings& bindings) {
    const int line = node.line;
    const std::optional<std::string> prepared = Prepare(node.text, bindings);
    if (!prepared) {
        Unfollowed(line, UnfollowedWhy::BoundReached);
        return;
    }
    for (const syntax::Redirect& redirect : node.redirects) {
        if (!redirect.output)
            continue;
        const std::optional<std::string> target = Prepare(redirect.target, bindings);
        if (target)
            WriteTo(*target, line);
        else
            Unfollowed(line, UnfollowedWhy::BoundReached);
    }
    const std::optional<CommandWord> word = SplitCommand(*prepared);
    if (!word)
        return;
    const std::string& command = word->command;
    if (command.size() == 2 && std::isalpha(static_cast<unsigned char>(command[0])) && command[1] == ':' &&
        TrimBlanks(word->rest).empty()) {
        // "D:" makes D the current drive, in the folder it last had there.
        m_driveCwds[Drive()] = m_cwd;
        const char drive = base::AsciiUpper(command[0]);
        const auto known = m_driveCwds.find(drive);
        m_cwd = known != m_driveCwds.end() ? known->second : std::string(1, drive) + ":\\";
        return;
    }
    const std::string program = base::AsciiLower(base::ProgramName(word->name));  // "xcopy" of "C:\\x\\XCOPY.EXE"
    if (HasUnknown(command))
        UnfollowedName(line, command);
    else if (program == "chcp")  // "chcp.com" and a path to it too
        ChangeCodePage(word->rest, line);
    else if (!RunStateCommand(command, word->rest, line) && !kHarmless.count(command) && !kHarmless.count(program) &&
             !AsksOnly(program, word->rest))
        RunFileCommand(*word, program, line);
}

// The commands that change the reader's state, not files: goto, exit, shift, md, set,
// setlocal, endlocal, cd, pushd, popd and call. False for any other command.
bool Runner::RunStateCommand(const std::string& command, const std::string& rest, int line) {
    static const std::set<std::string> kState = {"goto", "exit", "shift", "set", "setlocal", "endlocal",
                                                 "cd", "chdir", "pushd", "popd"};
    if (m_child && kState.count(command))
        return true;  // in the interpreter a for /f command starts: nothing here changes
    if (command == "goto" || command == "exit") {
        if (m_frame->subroutines > 0 && EndsSubroutine(command + rest))
            m_return = true;  // the main reading goes on past it: later lines may be reached
        else if (command == "goto")
            Goto(rest);
        else if (EndsSubroutine(command + rest) || TrimBlanks(rest).empty())
            Goto(":eof");  // "exit /b" and "exit" end the batch file
    } else if (command == "shift") {
        if (m_frame->args.size() > 1)
            m_frame->args.erase(m_frame->args.begin() + 1);
    } else if (command == "md" || command == "mkdir") {
        for (const std::string& folder : Names(InternalArgs(rest)))
            if (!HasUnknown(folder) && folder.find('%') == std::string::npos)
                m_disk.AddFolder(Absolute(folder));  // so a later copy knows it is a folder
    } else if (command == "set") {
        Set(rest);
    } else if (command == "setlocal") {
        SetLocal(rest);
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
    } else {
        return false;
    }
    return true;
}

// goto label: the jump is followed where it surely runs (no branch that may not be taken, no
// reading for another value) and goes forward past no label an earlier uncertain goto may
// reach; "goto :eof" likewise ends the file. Otherwise the reading goes on after it, as the
// lines after it may still run, and the label is kept as one a jump may reach. A label
// nobody can know may be any of them.
void Runner::Goto(const std::string& rest) {
    m_jumped = true;
    std::string label = TrimBlanks(rest);
    if (!label.empty() && label[0] == ':')
        label.erase(0, 1);
    label = base::AsciiLower(label.substr(0, label.find_first_of(" \t+:;,=")));
    const std::size_t here = static_cast<std::size_t>(m_line);
    const std::size_t end = m_frame->lines->size();
    if (HasUnknown(label) || label.find('%') != std::string::npos || label.find('!') != std::string::npos) {
        for (const auto& [name, at] : m_frame->labels)
            m_frame->pending.insert(at);
        return;
    }
    std::size_t target = end;
    if (label != "eof") {
        const auto found = m_frame->labels.find(label);
        if (found == m_frame->labels.end())
            return;  // the interpreter stops the file with an error; reading on keeps every file
        target = found->second;
    }
    // In a for body the jump ends the loop at the item the disk lists first, an order the
    // reader does not know: there it is only pending.
    if (m_branches > 0 || m_loops > 0 || m_variant || m_statementVariants || target <= here) {
        if (target < end)
            m_frame->pending.insert(target);
        return;
    }
    const auto between = m_frame->pending.upper_bound(here);
    if (between != m_frame->pending.end() && *between < target)
        return;
    m_goto = target < end ? target + 1 : end;
}

// The commands that change files, by their name or, for programs, by the program's name; any
// other command is a program no reader can know.
void Runner::RunFileCommand(const CommandWord& word, const std::string& program, int line) {
    using Handler = void (Runner::*)(const std::string& rest, int line);
    static const std::pair<const char*, Handler> kInternal[] = {
        {"del", &Runner::Delete},  {"erase", &Runner::Delete}, {"rd", &Runner::RemoveFolder},
        {"rmdir", &Runner::RemoveFolder}, {"copy", &Runner::Copy}, {"move", &Runner::Move},
        {"ren", &Runner::Rename},  {"rename", &Runner::Rename}, {"mklink", &Runner::MakeLink}};
    static const std::pair<const char*, Handler> kPrograms[] = {
        {"xcopy", &Runner::Xcopy}, {"robocopy", &Runner::Robocopy}, {"applyppf3", &Runner::Patch}};
    for (const auto& [name, handler] : kInternal)
        if (word.command == name)
            return (this->*handler)(word.rest, line);
    for (const auto& [name, handler] : kPrograms)
        if (program == name)
            return (this->*handler)(word.rest, line);
    if (EndsWith(word.command, ".bat") || EndsWith(word.command, ".cmd")) {
        // Started without call, the other batch file runs and does not come back; its lines
        // are followed all the same, and so are the lines after it, which is over, not under.
        CallFile(word.name, syntax::SplitWords(word.rest, ",;="), line);
        return;
    }
    OtherProgram(program, word.rest, line);
}

namespace {

// Programs that fetch files, and the words by which a PowerShell line does.
bool Downloads(const std::string& program, const std::string& rest) {
    if (program == "curl" || program == "wget" || program == "bitsadmin")
        return true;
    if (program != "powershell" && program != "pwsh")
        return false;
    const std::string folded = base::AsciiLower(rest);
    for (const char* word : {"invoke-webrequest", "iwr ", "downloadfile", "start-bitstransfer", "invoke-restmethod", "wget ", "curl "})
        if (folded.find(word) != std::string::npos)
            return true;
    return false;
}

}  // namespace

// A program the reader cannot read: the line is named, with the first folder among its
// arguments that is on the disk (as written, or after a "-o"-style option letter), since that
// is where it most likely works.
void Runner::OtherProgram(const std::string& program, const std::string& rest, int line) {
    std::string folder;
    for (const Arg& arg : ProgramArgs(rest)) {
        std::vector<std::string> candidates;
        if (!arg.isSwitch)
            candidates.push_back(arg.text);
        if (!arg.isSwitch && arg.text.size() > 2 && arg.text[0] == '-')
            candidates.push_back(arg.text.substr(2));  // "-oC:\\out"
        if (arg.isSwitch && arg.text.find(':') != std::string::npos)
            candidates.push_back(arg.text.substr(arg.text.find(':') + 1));  // "/dest:C:\\out"
        for (const std::string& candidate : candidates) {
            const std::string name = syntax::WithoutQuotes(candidate);
            if (name.empty() || HasUnknown(name) || name.find('%') != std::string::npos || HasUnknown(m_cwd))
                continue;
            const std::string full = Absolute(name);
            if (!HasUnknown(full) && NamesFile(full) && m_disk.KindOf(full) == base::PathKind::Folder) {
                folder = full;
                break;
            }
        }
        if (!folder.empty())
            break;
    }
    Unfollowed(line, Downloads(program, rest) ? UnfollowedWhy::Download : UnfollowedWhy::OtherProgram, folder);
}

}  // namespace batchfile::runner
