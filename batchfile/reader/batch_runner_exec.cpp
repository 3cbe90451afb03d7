// The batch reader running a statement: blocks, both branches of an if, and the command a
// line names, handed to the command that follows it.
#include "batchfile/reader/batch_runner.h"

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
    if (!Step(node.line) || m_return)
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
    if (!m_delayed)
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

// "if exist" on a name the disk answers runs only the branch it picks; any other condition
// may go either way, so both branches are followed and the files of each are kept.
void Runner::ExecIf(const Node& node, const Bindings& bindings) {
    const std::optional<bool> exists = node.ifExist ? Exists(*node.ifExist, bindings) : std::nullopt;
    if (exists) {
        const std::size_t branch = *exists != node.ifNot ? 0 : 1;
        if (branch < node.children.size())
            Exec(node.children[branch], bindings);
        return;
    }
    ++m_branches;
    for (const Node& child : node.children) {
        Exec(child, bindings);
        m_return = false;
    }
    --m_branches;
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
    const std::string folded = base::AsciiLower(full);
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
    if (command == "goto" || command == "exit") {
        if (m_frame->subroutines > 0 && EndsSubroutine(command + rest))
            m_return = true;  // the main reading goes on past it: later lines may be reached
        else if (command == "goto")
            m_jumped = true;
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

// The commands that change files, by their name or, for programs, by the program's name; any
// other command is a program no reader can know.
void Runner::RunFileCommand(const CommandWord& word, const std::string& program, int line) {
    using Handler = void (Runner::*)(const std::string& rest, int line);
    static const std::pair<const char*, Handler> kInternal[] = {
        {"del", &Runner::Delete},  {"erase", &Runner::Delete}, {"rd", &Runner::RemoveFolder},
        {"rmdir", &Runner::RemoveFolder}, {"copy", &Runner::Copy}, {"move", &Runner::Move},
        {"ren", &Runner::Rename},  {"rename", &Runner::Rename}};
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
            if (!HasUnknown(full) && base::IsPlainFullName(full) && m_disk.KindOf(full) == base::PathKind::Folder) {
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
