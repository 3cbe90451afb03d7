// The batch reader's state commands: set, setlocal and endlocal, cd and pushd, and call.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>

#include "base/text.h"
#include "batchfile/reader/batch_arithmetic.h"

namespace batchfile::runner {

// endlocal gives back the variables, the expansion mode and the folder setlocal saw.
void Runner::EndLocal() {
    m_vars = m_saved.back().vars;
    m_alternatives = 0;
    for (const auto& [name, variable] : m_vars)
        m_alternatives += variable.others.empty() ? 0 : 1;
    m_delayed = m_saved.back().delayed;
    m_cwd = m_saved.back().cwd;
    m_driveCwds = m_saved.back().driveCwds;
    m_saved.pop_back();
}

// setlocal saves the variables, the expansion mode and the folders for endlocal, and may turn
// delayed expansion on or off.
void Runner::SetLocal(const std::string& rest) {
    if (m_saved.size() < kMaxSaved)
        m_saved.push_back({m_vars, m_delayed, m_cwd, m_driveCwds});
    else
        Unfollowed(m_line, UnfollowedWhy::BoundReached);  // past the bound, the endlocal that matches gives back the wrong state
    const std::string folded = base::AsciiLower(rest);
    if (folded.find("enabledelayedexpansion") != std::string::npos)
        m_delayed = true;
    else if (folded.find("disabledelayedexpansion") != std::string::npos)
        m_delayed = false;
}

// "chcp N" reads the lines after it in page N; a block read before it ran is read already.
// A page that is not known (an unknown value, one the system lacks, any other argument)
// makes the line unfollowed and the page unknown. One that may not take effect (in a branch,
// after a goto, for another value) leaves the page unknown when it changes it.
void Runner::ChangeCodePage(const std::string& rest, int line) {
    const std::vector<Arg> args = InternalArgs(rest);
    if (args.empty())
        return;  // it only prints the page
    std::optional<unsigned> page;
    const std::string& number = args[0].text;
    if (args.size() == 1 && !args[0].isSwitch && !number.empty() && number.size() <= 5 &&
        number.find_first_not_of("0123456789") == std::string::npos && Followable(std::stoul(number)))
        page = static_cast<unsigned>(std::stoul(number));
    if (!page)
        Unfollowed(line, UnfollowedWhy::UnreadableText);
    if (!page || ((m_branches > 0 || m_jumped || m_variant) && page != m_codePage))
        m_codePage.reset();
    else
        m_codePage = page;
}

void Runner::SetVariable(const std::string& name, const std::string& value) {
    const std::string folded = base::AsciiLower(name);
    const std::string kept = value.size() > kMaxText ? kUnknownValue : value;
    const auto found = m_vars.find(folded);
    Variable variable{name, kept, {}};
    if (m_branches > 0 || m_jumped || m_variant) {
        // The set may not happen: the old value (or none) stays possible beside the new one.
        std::vector<std::string> others;
        if (found != m_vars.end()) {
            others = found->second.others;
            others.push_back(found->second.value);
        } else if (m_branches > 0 || m_variant) {
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
    if (found != m_vars.end() && !found->second.others.empty())
        --m_alternatives;
    if (!variable.others.empty())
        ++m_alternatives;
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
    const std::string folded = base::AsciiLower(text.substr(0, 2));
    if (folded == "/a") {
        SetArithmetic(text.substr(2));
        return;
    }
    if (folded == "/p") {  // input typed by the player
        const std::string body = syntax::WithoutQuotes(TrimBlanks(text.substr(2)));
        const std::size_t equals = body.find('=');
        if (equals != std::string::npos && equals > 0)
            SetVariable(body.substr(0, equals), kTypedValue);
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

// pushd keeps the current folder for popd; past the bound the line is named, as the popd that
// matches gives back the wrong folder.
void Runner::Push(int line) {
    if (m_pushed.size() < kMaxSaved)
        m_pushed.push_back(m_cwd);
    else
        Unfollowed(line, UnfollowedWhy::BoundReached);
}

// cd, chdir and pushd. Without /d, cd to another drive only changes that drive's folder, not
// the current drive; pushd always switches. A folder that is not there leaves all as it was.
void Runner::ChangeFolder(const std::string& rest, bool switchDrive, bool push, int line) {
    std::string target = TrimBlanks(rest);
    if (!push && base::AsciiLower(target.substr(0, 2)) == "/d" && (target.size() == 2 || target[2] == ' ' || target[2] == '\t' || target[2] == '"')) {
        switchDrive = true;
        target = TrimBlanks(target.substr(2));
    }
    target = syntax::WithoutQuotes(target);
    if (target.empty())
        return;
    const std::string full = HasUnknown(target) || target.find('%') != std::string::npos ? kUnknownValue : Absolute(target);
    if (HasUnknown(full) ||
        (push && target.size() > 1 && (target[0] == '\\' || target[0] == '/') && (target[1] == '\\' || target[1] == '/'))) {
        // A folder nobody can know, or a network share pushd maps to a drive: every later name
        // relative to the current folder is unknown too, until a known one is made current.
        UnfollowedName(line, full);
        if (push)
            Push(line);
        m_cwd = HasUnknown(full) ? std::string(1, WhyOfName(full) == UnfollowedWhy::TypedName ? kTyped : kUnknown)
                                 : kUnknownValue;
        return;
    }
    if (m_disk.KindOf(full) != base::PathKind::Folder) {
        if (m_uncertain) {
            UnfollowedAfterUnknown(line);  // an earlier unknown command may have made it: either folder
            m_cwd = kUnknownValue;
        }
        return;  // the interpreter stays where it is
    }
    const char drive = base::AsciiUpper(full[0]);
    if (push)
        Push(line);
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
        const auto label = m_frame->labels.find(base::AsciiLower(words[0].substr(1)));
        if (label == m_frame->labels.end() || m_depth >= kMaxCallDepth || ++m_calls > kMaxCalls) {
            Unfollowed(line, label == m_frame->labels.end() ? UnfollowedWhy::UnreadableText : UnfollowedWhy::BoundReached);
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
        m_line = line;
        if (m_stopped)
            Stop(line);  // a bound stopped the reading inside: the rest is not followed
        return;
    }
    const std::string name = syntax::WithoutQuotes(words[0]);
    const std::string folded = base::AsciiLower(name);
    if (EndsWith(folded, ".bat") || EndsWith(folded, ".cmd")) {
        CallFile(name, std::vector<std::string>(words.begin() + 1, words.end()), line);
        return;
    }
    if (!HasUnknown(name) && name.find('%') == std::string::npos) {
        for (const char* ext : {".bat", ".cmd"}) {
            const std::string full = Absolute(name + ext);
            if (m_disk.KindOf(full) == base::PathKind::File) {
                CallFile(name + ext, std::vector<std::string>(words.begin() + 1, words.end()), line);
                return;
            }
        }
    }
    // "call command": the command's "%" are expanded once more, then it runs as a statement.
    const std::optional<std::string> again = ExpandPercent(rest);
    if (!again) {
        Unfollowed(line, UnfollowedWhy::BoundReached);
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
    const bool withinBounds = m_depth < kMaxCallDepth && ++m_calls <= kMaxCalls;
    if (withinBounds && m_context.readLines)
        lines = m_context.readLines(*full);
    if (!lines) {
        Unfollowed(line, withinBounds ? UnfollowedWhy::OtherProgram : UnfollowedWhy::BoundReached);
        return;
    }
    std::vector<std::string> args = {*full};
    args.insert(args.end(), words.begin(), words.end());
    ++m_depth;
    RunFile(*full, *lines, args);
    --m_depth;
    m_line = line;
    if (m_stopped)
        Stop(line);  // a bound stopped the reading inside: the rest is not followed
}

}  // namespace batchfile::runner
