// The batch reader running a for: the values each form gives its variable, then the body
// once for each.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "base/paths.h"
#include "base/text.h"

namespace batchfile::runner {

// The runs a for's body gets, each with the loop variable bound; `knowable` goes false once
// the values cannot all be known.
struct Runner::ForRuns {
    const Bindings& outer;
    char variable;
    std::vector<Bindings> runs;
    bool knowable = true;
    UnfollowedWhy why = UnfollowedWhy::FolderFoundAtRunTime;  // why, once the values cannot be known

    void Add(const std::string& value) {
        if (runs.size() > kMaxLoopItems) {
            knowable = false;
            why = UnfollowedWhy::BoundReached;
            return;
        }
        Bindings run = outer;
        run.emplace_back(variable, value);
        runs.push_back(std::move(run));
    }
};

// The values a for gives its variable, found now against the disk view as earlier commands left
// it; then the body runs once for each, with the variable bound.
void Runner::ExecFor(const Node& node, const Bindings& bindings) {
    const int line = node.line;
    const std::optional<std::string> set = Prepare(node.forSet, bindings);
    if (!set) {
        Unfollowed(line, UnfollowedWhy::BoundReached);
        return;
    }
    ForRuns runs{bindings, node.forVar, {}};
    const std::vector<std::string> items = syntax::SplitWords(*set, ",;=");
    if (node.forSwitch == "/l") {
        ForNumbers(items, HasUnknown(*set), runs);
    } else if (node.forSwitch == "/f") {
        ForText(node, *set, runs);
    } else if (node.forSwitch == "/r") {
        if (!ForTree(node, items, bindings, runs))
            return;
    } else {
        ForItems(node, items, runs);
    }
    if (runs.runs.size() > kMaxLoopItems) {
        runs.runs.resize(kMaxLoopItems);
        runs.knowable = false;
        runs.why = UnfollowedWhy::BoundReached;
    }
    if (!runs.knowable) {
        // The values cannot be known: the body runs once with an unknown value, so what it does
        // to known names still counts and names built from the value are unfollowed.
        if (runs.why == UnfollowedWhy::BoundReached)
            Unfollowed(line, runs.why);
        else
            Name(line, runs.why, std::string());  // the names built from its value are asked about each
        runs.runs.clear();
        runs.Add(kUnknownValue);
    }
    ++m_loops;
    for (const Bindings& run : runs.runs) {
        if (m_stopped)
            break;
        Exec(node.children.front(), run);
    }
    --m_loops;
}

// for /l (start, step, end): counted as the interpreter counts, in 32 bits.
void Runner::ForNumbers(const std::vector<std::string>& items, bool unknown, ForRuns& runs) {
    long long numbers[3] = {0, 0, 0};
    for (std::size_t k = 0; k < items.size() && k < 3; ++k)
        numbers[k] = std::clamp<long long>(std::strtoll(items[k].c_str(), nullptr, 10), INT32_MIN, INT32_MAX);
    const long long start = numbers[0], step = numbers[1], end = numbers[2];
    long long count = 0;
    if (step > 0 && end >= start)
        count = (end - start) / step + 1;
    else if (step < 0 && end <= start)
        count = (start - end) / -step + 1;
    else if (step == 0 && end >= start)
        count = -1;  // never ends
    if (count < 0 || count > static_cast<long long>(kMaxLoopItems) || unknown) {
        runs.knowable = false;
        if (!unknown)
            runs.why = UnfollowedWhy::BoundReached;  // it never ends, or runs past the bound
    }
    else
        for (long long k = 0; k < count; ++k)
            runs.Add(std::to_string(start + k * step));
}

// for /f over a string ("text", or 'text' with usebackq), over the files named (in quotes with
// usebackq) or over a command's output ('command', or `command` with usebackq). A string is
// known. A file is read as it is before the run, when the run has not written it and no
// line the reader could not follow may have: it is a list the mod brings. A command is read
// as a statement (a program in it is asked about); its output is not known.
void Runner::ForText(const Node& node, const std::string& set, ForRuns& runs) {
    const std::string options = syntax::WithoutQuotes(node.forOptions);
    const bool backq = base::AsciiLower(options).find("usebackq") != std::string::npos;
    const std::string trimmed = TrimBlanks(set);
    const char first = trimmed.empty() ? 0 : trimmed.front();
    const bool enclosed = trimmed.size() >= 2 && trimmed.back() == first;
    const auto addRun = [&](const std::vector<std::string>& values) {
        Bindings run = runs.outer;
        for (std::size_t k = 0; k < values.size(); ++k)
            run.emplace_back(static_cast<char>(node.forVar + static_cast<int>(k)), values[k]);
        runs.runs.push_back(std::move(run));
    };
    if (enclosed && first == (backq ? '\'' : '"')) {
        const std::optional<std::vector<std::string>> values =
            HasUnknown(trimmed) ? std::nullopt : syntax::ForTokens(options, trimmed.substr(1, trimmed.size() - 2));
        if (!values)
            runs.knowable = false;
        else if (!values->empty())
            addRun(*values);
        return;
    }
    if (enclosed && first == (backq ? '`' : '\'')) {
        // The carets that kept "&" and "|" in the set are gone when the command starts.
        std::string command;
        bool quoted = false;
        for (std::size_t k = 1; k + 1 < trimmed.size(); ++k) {
            quoted = quoted != (trimmed[k] == '"');
            if (trimmed[k] == '^' && !quoted && k + 2 < trimmed.size())
                ++k;
            command.push_back(trimmed[k]);
        }
        bool incomplete = false;
        const std::vector<int> lineOf(command.size(), node.line);
        // It runs in an interpreter of its own: what it does to files counts, its variables,
        // folder and jumps stay there.
        const bool child = m_child;
        m_child = true;
        ++m_loops;
        for (const Node& part : syntax::ParseStatement(command, lineOf, incomplete))
            Exec(part, runs.outer);
        --m_loops;
        m_child = child;
        runs.knowable = false;
        return;
    }
    for (const std::string& word : syntax::SplitWords(trimmed, ",;=")) {
        const std::string name = syntax::WithoutQuotes(word);
        if (!backq && word.front() == '"') {
            runs.knowable = false;
            return;
        }
        const std::optional<std::string> full = Resolve(name, node.line);
        if (!full) {
            runs.knowable = false;
            return;
        }
        std::optional<std::vector<std::string>> lines;
        if (m_context.readLines && !m_disk.Added(*full) && !Touched(*full) && !Tainted(*full) &&
            m_disk.KindOf(*full) == base::PathKind::File && !base::HasWildcard(base::FullLeaf(*full)))
            lines = m_context.readLines(*full);
        if (!lines || lines->size() > kMaxLoopItems) {
            runs.knowable = false;
            return;
        }
        for (std::string& line : *lines) {
            std::optional<std::string> text = line.size() > kMaxText ? std::nullopt : Decoded(line);
            if (!text) {
                runs.knowable = false;
                return;
            }
            line = std::move(*text);
        }
        const auto values = syntax::ForFileTokens(options, *lines);
        if (!values) {
            runs.knowable = false;
            return;
        }
        for (const std::vector<std::string>& run : *values)
            addRun(run);
    }
}

// for /r [root]: each item in the root and every folder below it; false when the root is a
// name nobody can know (the line is unfollowed and the body does not run).
bool Runner::ForTree(const Node& node, const std::vector<std::string>& items, const Bindings& bindings,
                     ForRuns& runs) {
    const std::string rootName = syntax::WithoutQuotes(Substitute(node.forRoot, bindings));
    const std::optional<std::string> root = rootName.empty() ? std::optional<std::string>(m_cwd) : Resolve(rootName, node.line);
    if (!root)
        return false;
    if (HasUnknown(*root)) {
        runs.knowable = false;  // below a current folder nobody can know
        return true;
    }
    std::vector<std::string> folders;
    if (m_disk.KindOf(*root) == base::PathKind::Folder) {
        folders.push_back(*root);
        for (std::size_t k = 0; k < folders.size() && m_walked < kMaxWalk; ++k)
            for (const DiskView::Entry& entry : m_disk.List(folders[k]))
                if (entry.folder && ++m_walked < kMaxWalk)
                    folders.push_back(base::Join(folders[k], entry.name));
        if (m_walked >= kMaxWalk)
            runs.knowable = false;
    }
    for (const std::string& folder : folders)
        for (const std::string& item : items) {
            const std::string name = syntax::WithoutQuotes(item);
            if (base::HasWildcard(name)) {
                for (const DiskView::Entry& entry : m_disk.List(folder))
                    if (!entry.folder && base::MatchesWildcard(name, entry.name))
                        runs.Add(base::Join(folder, entry.name));
            } else {
                runs.Add(base::Join(folder, name));
            }
        }
    return true;
}

// for and for /d: each item as written, a pattern by the files (or folders) it matches.
void Runner::ForItems(const Node& node, const std::vector<std::string>& items, ForRuns& runs) {
    for (const std::string& item : items) {
        const std::string name = syntax::WithoutQuotes(item);
        if (!base::HasWildcard(name)) {
            runs.Add(item);
            continue;
        }
        const std::optional<std::string> full = Resolve(name, node.line);
        if (!full) {
            runs.knowable = false;
            continue;
        }
        // The value keeps the item's own folder part as written, up to its last "\" or ":".
        const std::size_t cut = name.find_last_of("\\:");
        const std::string prefix = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);
        for (const std::string& match : Matching(*full, node.forSwitch != "/d", node.forSwitch == "/d"))
            runs.Add(prefix + base::FullLeaf(match));
        if (m_uncertain && runs.runs.empty()) {
            runs.knowable = false;
        } else if (Tainted(*full)) {
            // An earlier unknown line may have made more: one more run stands for them.
            UnfollowedAfterUnknown(node.line);
            runs.Add(kUnknownValue);
        }
    }
}

}  // namespace batchfile::runner
