// The batch reader expanding a text: "%" when a line is read, loop variables and "!" when a
// command runs, and the "%~" modifiers.
#include "batchfile/reader/batch_runner.h"

#include <cctype>

#include "base/paths.h"
#include "base/text.h"

namespace batchfile::runner {

// A variable's value: the value a variant reading chose, a set or inherited one, or one of the
// interpreter's dynamic names. Time, date and random numbers are not known in advance.
std::string Runner::Lookup(const std::string& name, bool& defined) const {
    defined = true;
    if (m_overrides) {
        const auto chosen = m_overrides->find(base::AsciiLower(name));
        if (chosen != m_overrides->end()) {
            defined = !chosen->second.empty();
            return chosen->second;
        }
    }
    const auto found = m_vars.find(base::AsciiLower(name));
    if (found != m_vars.end())
        return found->second.value;
    const std::string folded = base::AsciiLower(name);
    if (folded == "cd")
        return m_cwd;
    if (folded == "__cd__")
        return base::Join(m_cwd, "");
    if (folded == "cmdextversion")
        return "2";
    if (folded == "random" || folded == "time" || folded == "date")
        return std::string(1, kStamp);
    if (folded == "errorlevel" ||
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
            while (j < line.size() && std::string("fdpnxsatz").find(base::AsciiLower(line[j])) != std::string::npos)
                ++j;
            if (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j]))) {
                out += Modified(argument(line[j]), base::AsciiLower(line.substr(i + 2, j - i - 2)));
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
            while (end < text.size() && std::string("fdpnxsatz").find(base::AsciiLower(text[end])) != std::string::npos)
                ++end;
            bool done = false;
            for (std::size_t k = end; k >= i + 2 && !done; --k) {  // the longest modifier run wins
                if (k < text.size())
                    if (const std::string* value = bound(text[k])) {
                        out += Modified(*value, base::AsciiLower(text.substr(i + 2, k - i - 2)));
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
    const std::string leaf = base::FullLeaf(full);
    const std::size_t dot = leaf.rfind('.');
    std::string out;
    if (d)
        out += full.substr(0, full.find('\\'));
    if (pth) {
        const std::string parent = base::IsFullRoot(full) ? full : base::Join(base::ParentFolder(full), "");
        out += parent.substr(parent.find('\\'));
    }
    if (n)
        out += leaf.substr(0, dot);
    if (x && dot != std::string::npos)
        out += leaf.substr(dot);
    return out;
}

}  // namespace batchfile::runner
