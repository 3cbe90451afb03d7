// Reading a batch file's commands the way the command interpreter splits them, far enough
// to know which files they delete, overwrite or patch.
#include "batchfile/file_changes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "base/unique_file.h"

namespace batchfile {
namespace {

constexpr char kBlanks[] = " \t";
// The interpreter's own commands also split their arguments at these; programs do not.
constexpr char kCommandDelimiters[] = " \t,;=";

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsOneOf(char c, const char* set) {
    for (; *set; ++set)
        if (c == *set)
            return true;
    return false;
}

// One command of a line as written, and the files its output is redirected to.
struct Command {
    std::string text;
    std::vector<std::string> outputs;
};

// Splits at quotes-aware `delimiters`; quotes group and are dropped, empty words vanish.
std::vector<std::string> Words(const std::string& text, const char* delimiters) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && IsOneOf(c, delimiters)) {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// Splits a line at unquoted "&", "&&", "|" and "||", and takes the redirections out of
// each command: "2>nul", ">> log.txt" and "<in.txt"; "2>&1" names a handle, not a file.
std::vector<Command> SplitLine(const std::string& line) {
    std::vector<Command> commands(1);
    bool quoted = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i++];
        std::string& text = commands.back().text;
        if (c == '"')
            quoted = !quoted;
        if (quoted || (c != '^' && c != '&' && c != '|' && c != '>' && c != '<')) {
            text.push_back(c);
        } else if (c == '^') {
            if (i < line.size())
                text.push_back(line[i++]);
        } else if (c == '&' || c == '|') {
            if (i < line.size() && line[i] == c)
                ++i;
            commands.emplace_back();
        } else {
            if (!text.empty() && IsDigit(text.back()) && (text.size() == 1 || IsOneOf(text[text.size() - 2], kBlanks)))
                text.pop_back();
            if (c == '>' && i < line.size() && line[i] == '>')
                ++i;
            if (i < line.size() && line[i] == '&') {
                while (++i < line.size() && IsDigit(line[i])) {
                }
                continue;
            }
            while (i < line.size() && IsOneOf(line[i], kBlanks))
                ++i;
            const std::size_t start = i;
            for (bool inQuotes = false; i < line.size(); ++i) {
                if (line[i] == '"')
                    inQuotes = !inQuotes;
                else if (!inQuotes && IsOneOf(line[i], " \t&|<>"))
                    break;
            }
            const std::vector<std::string> target = Words(line.substr(start, i - start), "");
            if (c == '>' && !target.empty())
                commands.back().outputs.push_back(target.front());
        }
    }
    return commands;
}

bool IsPatcher(const std::string& program) {
    const std::string name = Lower(program.substr(FolderPart(program).size()));
    return name == "applyppf3.exe" || name == "applyppf3";
}

// copy [switches] source[+source...] ... [target]: sources joined by "+" go to one target;
// without a target the first of them is the target, or, for a single source, the current folder.
void AddCopyChanges(const std::vector<std::string>& args, std::vector<FileChange>& changes) {
    std::vector<std::string> groups;
    for (const std::string& arg : args) {
        if (!groups.empty() && (groups.back().back() == '+' || arg.front() == '+'))
            groups.back() += arg;
        else
            groups.push_back(arg);
    }
    if (groups.empty())
        return;
    std::vector<std::string> sources;
    for (std::size_t g = 0; g + 1 < groups.size() || (g == 0 && groups.size() == 1); ++g) {
        std::size_t start = 0;
        for (std::size_t plus; (plus = groups[g].find('+', start)) != std::string::npos; start = plus + 1)
            if (plus > start)
                sources.push_back(groups[g].substr(start, plus - start));
        if (start < groups[g].size())
            sources.push_back(groups[g].substr(start));
    }
    if (sources.empty())
        return;
    const std::string target = groups.size() > 1 ? groups.back() : sources.size() > 1 ? sources.front() : ".";
    for (const std::string& source : sources)
        changes.push_back({target, source});
}

void AddCommandChanges(std::string text, std::vector<FileChange>& changes) {
    const std::size_t begin = text.find_first_not_of(" \t@(");
    if (begin == std::string::npos)
        return;
    if (text.find('(') < begin && text.find_last_not_of(" \t") == text.rfind(')'))
        text.erase(text.rfind(')'));  // "(del a.map)" alone on its line
    text.erase(0, begin);
    std::string program;
    std::size_t end;
    if (text.front() == '"') {
        end = text.find('"', 1);
        program = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        end = end == std::string::npos ? text.size() : end + 1;
    } else {
        end = std::min(text.find_first_of(" \t,;=/"), text.size());
        program = text.substr(0, end);
    }
    const std::string name = Lower(program);
    const std::string rest = text.substr(end);
    if (name == "call") {
        AddCommandChanges(rest, changes);
        return;
    }
    if (IsPatcher(program)) {
        const std::vector<std::string> args = Words(rest, kBlanks);
        if (args.size() >= 3 && (Lower(args[0]) == "a" || Lower(args[0]) == "u"))
            changes.push_back({args[1], ""});
        return;
    }
    std::vector<std::string> args;
    for (const std::string& word : Words(rest, kCommandDelimiters))
        if (word.front() != '/')
            args.push_back(word);
    if (name == "del" || name == "erase") {
        for (const std::string& arg : args)
            changes.push_back({arg, ""});
    } else if (name == "copy") {
        AddCopyChanges(args, changes);
    } else if (name == "move" && !args.empty()) {
        const std::string target = args.size() > 1 ? args.back() : ".";
        for (std::size_t i = 0; i + 1 < args.size() || (i == 0 && args.size() == 1); ++i) {
            changes.push_back({target, args[i]});
            changes.push_back({args[i], ""});
        }
    } else if ((name == "ren" || name == "rename") && args.size() >= 2) {
        changes.push_back({FolderPart(args[0]) + args[1], args[0]});
        changes.push_back({args[0], ""});
    }
}

// "rem" followed by a blank, a delimiter or nothing; "remark" is another command.
bool IsRemark(const std::string& line, std::size_t begin) {
    return Lower(line.substr(begin, 3)) == "rem" && (line.size() == begin + 3 || IsOneOf(line[begin + 3], " \t,;=/"));
}

bool GlobMatch(const std::string& pattern, const std::string& name) {
    std::size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                             std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::string FillPart(const std::string& pattern, const std::string& source) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*') {
            if (i < source.size())
                out += source.substr(i);
            return out;
        }
        if (pattern[i] != '?')
            out.push_back(pattern[i]);
        else if (i < source.size())
            out.push_back(source[i]);
    }
    return out;
}

}  // namespace

std::vector<FileChange> ChangesOf(const std::vector<std::string>& lines) {
    std::vector<FileChange> changes;
    for (const std::string& line : lines) {
        const std::size_t begin = line.find_first_not_of(" \t@");
        if (begin == std::string::npos || line[begin] == ':' || IsRemark(line, begin))
            continue;
        for (const Command& command : SplitLine(line)) {
            AddCommandChanges(command.text, changes);
            for (const std::string& output : command.outputs)
                changes.push_back({output, ""});
        }
    }
    return changes;
}

std::optional<std::vector<std::string>> ReadAllLines(const std::string& path) {
    base::UniqueFile file{std::fopen(path.c_str(), "rb")};
    if (!file)
        return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    int c;
    while ((c = std::getc(file.get())) != EOF) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        line.clear();
    }
    if (std::ferror(file.get()))
        return std::nullopt;  // half a batch file would be followed as if it were all of it
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
    if (GlobMatch(pattern, name))
        return true;
    const bool dotless = name.find('.') == std::string::npos;
    if (dotless && pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
        return GlobMatch(pattern.substr(0, pattern.size() - 2), name);
    if (dotless && !pattern.empty() && pattern.back() == '.')
        return GlobMatch(pattern.substr(0, pattern.size() - 1), name);
    return false;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

std::string FolderPart(const std::string& name) {
    const std::size_t end = name.find_last_of("\\/:");
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

bool IsDeviceName(const std::string& name) {
    const std::string base = Lower(name.substr(FolderPart(name).size()));
    const std::string stem = base.substr(0, base.find('.'));
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

std::string NameByPattern(const std::string& pattern, const std::string& name) {
    const std::size_t patternDot = pattern.rfind('.');
    if (patternDot == std::string::npos)
        return FillPart(pattern, name);
    const std::size_t nameDot = name.rfind('.');
    const std::string stem = name.substr(0, nameDot);
    const std::string extension = nameDot == std::string::npos ? std::string() : name.substr(nameDot + 1);
    std::string result = FillPart(pattern.substr(0, patternDot), stem);
    const std::string newExtension = FillPart(pattern.substr(patternDot + 1), extension);
    if (!newExtension.empty())
        result += "." + newExtension;
    return result;
}

}  // namespace batchfile
