// The batch reader reading a file: labels, statements over several lines, the subroutines
// `call :label` reaches, and the other readings a variable with several values gives.
#include "batchfile/reader/batch_runner.h"

#include <algorithm>
#include <cctype>

#include "base/code_pages.h"
#include "base/text.h"

namespace batchfile::runner {

namespace {

std::string LabelName(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t@");
    if (begin == std::string::npos || line[begin] != ':')
        return std::string();
    std::size_t end = line.find_first_of(" \t+:;,=", begin + 1);
    if (end == std::string::npos)
        end = line.size();
    return base::AsciiLower(line.substr(begin + 1, end - begin - 1));
}

bool IsLabelLine(const std::string& line) {
    const std::size_t begin = line.find_first_not_of(" \t@");
    return begin != std::string::npos && line[begin] == ':';
}

bool IsAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace

// "goto :eof" and "exit /b" end a subroutine.
bool EndsSubroutine(const std::string& line) {
    std::string text = base::AsciiLower(TrimBlanks(line));
    while (!text.empty() && text[0] == '@')
        text.erase(0, 1);
    std::string squeezed;
    for (const char c : text)
        if (c != ' ' && c != '\t')
            squeezed.push_back(c);
    return squeezed.compare(0, 8, "goto:eof") == 0 || squeezed.compare(0, 6, "exit/b") == 0;
}

// A page that reads every printable ASCII byte as itself reads a line of ASCII alone as any
// other such page does, so such a line is followed even where the page is unknown.
bool Followable(unsigned codePage) {
    std::string ascii = "\t";
    for (char c = ' '; c < 0x7F; ++c)
        ascii.push_back(c);
    return base::Utf8OfCodePage(ascii, codePage) == ascii;
}

// Reads a whole batch file: first its labels and the labels `call :label` names anywhere in it,
// then its statements from the top.
void Runner::RunFile(const std::string& file, const std::vector<std::string>& lines, std::vector<std::string> args) {
    Frame frame{file, &lines, std::move(args), {}, {}, 0, std::vector<std::string>(lines.size())};
    m_steps += lines.size() / 16;  // the label scan below is work too
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // Labels are named as read in the page current as the file starts, as `call` reads them.
        const std::string text = Decoded(lines[i]).value_or(lines[i]);
        const std::string label = LabelName(text);
        if (!label.empty() && !frame.labels.count(label))
            frame.labels[label] = i;
        const std::string folded = base::AsciiLower(text);
        for (std::size_t at = 0; (at = folded.find("call", at)) != std::string::npos; at += 4) {
            std::size_t j = at + 4;
            while (j < folded.size() && (folded[j] == ' ' || folded[j] == '\t'))
                ++j;
            if (j < folded.size() && folded[j] == ':') {  // "call :label" and "call:label"
                const std::size_t end = folded.find_first_of(" \t&|)>", j);
                frame.callTargets.insert(folded.substr(j + 1, end == std::string::npos ? end : end - j - 1));
            }
        }
    }
    Frame* outer = m_frame;
    const std::size_t savedDepth = m_saved.size();
    m_frame = &frame;
    RunLines(0, false);
    ReadSkipped();
    m_frame = outer;
    while (m_saved.size() > savedDepth)  // a batch file's setlocal ends with it
        EndLocal();
}



// Lines a sure goto jumped over that a goto which may run reaches after all (from a label in
// them): read now, from that label to the end of the jump, as lines that may not run.
void Runner::ReadSkipped() {
    Frame& frame = *m_frame;
    for (bool again = true; again && !m_stopped;) {
        again = false;
        for (auto& [from, to] : frame.skipped) {
            const auto label = frame.pending.lower_bound(from);
            if (label == frame.pending.end() || *label >= to)
                continue;
            const std::size_t start = *label + 1, stop = to;
            to = *label;
            ++m_branches;
            m_jumped = true;
            RunLines(start, false, stop);
            m_goto.reset();
            --m_branches;
            again = true;
            break;
        }
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
void Runner::RunLines(std::size_t start, bool subroutine, std::size_t stop) {
    const std::vector<std::string>& lines = *m_frame->lines;
    std::size_t i = start;
    while (i < std::min(stop, lines.size()) && !m_stopped) {
        if (subroutine && m_return)
            break;
        m_return = false;
        if (!Step(static_cast<int>(i)))
            break;
        if (IsLabelLine(lines[i])) {
            const bool called = m_frame->callTargets.count(LabelName(Decoded(lines[i]).value_or(lines[i]))) > 0;
            i = called && !subroutine ? EndOfSubroutine(i) : i + 1;
            continue;
        }
        const std::size_t first = i;
        const std::optional<unsigned> readPage = m_codePage;  // a chcp in the statement applies after it
        std::vector<int> lineOf;
        bool incomplete = false;
        std::vector<Node> nodes;
        const std::optional<std::string> text = ReadStatement(i, lineOf, incomplete, nodes);
        if (m_stopped)
            return;
        if (!text || incomplete) {
            Unfollowed(static_cast<int>(first), UnfollowedWhy::UnreadableText);
            continue;
        }
        // A variable that may hold other values (set in a branch or after a goto) gives the
        // statement once more for each of them.
        const std::vector<std::string> read(m_frame->read.begin() + static_cast<std::ptrdiff_t>(first),
                                            m_frame->read.begin() + static_cast<std::ptrdiff_t>(i));
        std::vector<Overrides> variants;
        if (HasAlternatives() && !Inert(nodes))
            variants = Alternatives(read, '%', static_cast<int>(first));
        const bool statementVariants = m_statementVariants;
        m_statementVariants = !variants.empty();
        for (const Node& node : nodes)
            Exec(node, {});
        m_statementVariants = statementVariants;
        if (m_goto) {  // a goto that surely runs: the reading goes on at its label
            if (*m_goto > i)
                m_frame->skipped.emplace_back(i, *m_goto);
            i = *m_goto;
            m_goto.reset();
            continue;
        }
        for (const Overrides& overrides : variants) {
            std::size_t again = first;
            m_overrides = &overrides;
            const std::optional<unsigned> runPage = m_codePage;
            m_codePage = readPage;
            const std::optional<std::string> other = ReadStatement(again, lineOf, incomplete, nodes);
            m_codePage = runPage;
            m_overrides = nullptr;
            const bool variant = m_variant;
            m_variant = true;
            if (other && !incomplete)
                for (const Node& node : nodes)
                    Exec(node, {});
            m_variant = variant;
        }
        m_goto.reset();  // one in another reading is only pending
    }
}

// Reads one statement from line `i` on, expanding "%" as each line is read: a "^" at the end
// joins the next line, and an open block or for set takes the lines up to its ")".
std::optional<std::string> Runner::ReadStatement(std::size_t& i, std::vector<int>& lineOf, bool& incomplete,
                                                 std::vector<Node>& nodes) {
    const std::vector<std::string>& lines = *m_frame->lines;
    const std::size_t first = i;
    std::optional<std::string> text = ExpandLine(i++);
    lineOf.clear();
    incomplete = false;
    while (text) {
        while (syntax::EndsWithContinuation(*text) && i < lines.size() && text->size() < kMaxText) {
            text->pop_back();
            const std::optional<std::string> more = ExpandLine(i++);
            if (!more)
                return std::nullopt;
            *text += *more;
        }
        lineOf.resize(text->size(), static_cast<int>(i - 1));
        m_parsed += text->size();
        if (m_parsed > kMaxParsed) {
            Stop(static_cast<int>(first));
            return std::nullopt;
        }
        nodes = syntax::ParseStatement(*text, lineOf, incomplete);
        // Still open: the statement takes the next lines, expanded now, before anything in the
        // block runs. Only a line with ")" can close it.
        bool closing = false;
        while (incomplete && !closing && i < lines.size() && i - first <= kMaxBlockLines && text->size() <= kMaxText &&
               Step(static_cast<int>(i))) {
            const std::optional<std::string> more = ExpandLine(i++);
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

// A line's bytes in UTF-8, read in the current code page; nothing when they are no text in it
// or the page is unknown and the line is not ASCII alone. Decoding comes before parsing: a
// double-byte page's trail byte "\\" or "|" is part of a character. TextOfLine keeps the text
// of line `i` of the current file for the questions that name it.
std::optional<std::string> Runner::Decoded(const std::string& bytes) const {
    if (IsAscii(bytes))
        return bytes;
    return m_codePage ? base::Utf8OfCodePage(bytes, *m_codePage) : std::nullopt;
}

std::optional<std::string> Runner::TextOfLine(std::size_t i) {
    const std::optional<std::string> text = Decoded((*m_frame->lines)[i]);
    if (text)
        m_frame->read[i] = *text;
    return text;
}

std::optional<std::string> Runner::ExpandLine(std::size_t i) {
    const std::optional<std::string> text = TextOfLine(i);
    return text ? ExpandPercent(*text) : std::nullopt;
}

// Line `i` as a question shows it: as last read, or in the current page; a byte no page can
// be known to read shows as U+FFFD.
std::string Runner::ShownLine(std::size_t i) const {
    if (!m_frame->read[i].empty())
        return m_frame->read[i];
    const std::string& bytes = (*m_frame->lines)[i];
    if (const std::optional<std::string> text = Decoded(bytes))
        return *text;
    std::string shown;
    for (const char c : bytes)
        shown += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string("\xEF\xBF\xBD");
    return shown;
}

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
            names.push_back(base::AsciiLower(content.substr(0, content.find(':'))));
            i = close;
        }
    }
    return names;
}

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
            Unfollowed(line, UnfollowedWhy::BoundReached);
            return {};
        }
        combos = std::move(grown);
    }
    combos.erase(combos.begin());  // the current values, read already
    return combos;
}

}  // namespace batchfile::runner
