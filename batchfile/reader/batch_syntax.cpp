// The command interpreter's statement grammar, far enough to know which commands run and on
// which names: quotes, carets, "&" "&&" "|" "||", redirections, "( ... )" blocks, if and for.
#include "batchfile/reader/batch_syntax.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "base/text.h"

namespace batchfile::syntax {
namespace {

// A whole decimal number, as the substring edits take them.
bool ParseNumber(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == '\0';
}

// The "%NAME:~start,length%" cut of `value`; a negative start or length counts from the end.
template <class Text>
Text Cut(const Text& value, long start, long length, bool hasLength) {
    const long size = static_cast<long>(value.size());
    if (start < 0)
        start = start + size < 0 ? 0 : start + size;
    if (start > size)
        start = size;
    long end = size;
    if (hasLength)
        end = length < 0 ? size + length : (length > size - start ? size : start + length);
    return end <= start ? Text() : value.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace

bool HasUnknown(const std::string& text) {
    for (const char c : text)
        if (c == kUnknown || c == kTyped || c == kStamp)
            return true;
    return false;
}

std::string TrimBlanks(const std::string& text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool EndsWithContinuation(const std::string& line) {
    bool quoted = false, escaped = false;
    for (const char c : line) {
        if (escaped) {
            escaped = false;
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (c == '^' && !quoted)
            escaped = true;
    }
    return escaped;
}

std::string EditValue(const std::string& value, const std::string& edit) {
    if (HasUnknown(value))  // the same kind of unknown: typed, a stamp, or any other
        return std::string(1, value.find(kTyped) != std::string::npos     ? kTyped
                              : value.find(kUnknown) != std::string::npos ? kUnknown
                                                                          : kStamp);
    if (!edit.empty() && edit[0] == '~') {
        const std::string range = edit.substr(1);
        const std::size_t comma = range.find(',');
        long start = 0, length = 0;
        if (!ParseNumber(range.substr(0, comma), start) ||
            (comma != std::string::npos && !ParseNumber(range.substr(comma + 1), length)))
            return value;
        // The interpreter counts UTF-16 units, so a cut never splits a character's bytes.
        const std::optional<std::u16string> wide = base::Utf16Of(value);
        return wide ? base::Utf8Of(Cut(*wide, start, length, comma != std::string::npos))
                    : Cut(value, start, length, comma != std::string::npos);
    }
    const std::size_t equals = edit.find('=');
    if (equals == std::string::npos || equals == 0)
        return value;
    std::string from = edit.substr(0, equals);
    const std::string to = edit.substr(equals + 1);
    const std::string folded = base::AsciiLower(value);
    if (from[0] == '*') {  // "*text=new": everything up to the first "text" is replaced
        from.erase(0, 1);
        if (from.empty())
            return to + value;
        const std::size_t at = folded.find(base::AsciiLower(from));
        return at == std::string::npos ? value : to + value.substr(at + from.size());
    }
    const std::string foldedFrom = base::AsciiLower(from);
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = folded.find(foldedFrom, at)) != std::string::npos; at = hit + from.size())
        out += value.substr(at, hit - at) + to;
    return out + value.substr(at);
}

std::vector<std::string> SplitWords(const std::string& text, const char* delimiters) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (IsBlank(c) || std::string(delimiters).find(c) != std::string::npos)) {
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

std::string WithoutQuotes(const std::string& word) {
    std::string out;
    for (const char c : word)
        if (c != '"')
            out.push_back(c);
    return out;
}

namespace {

// What "for /f" options ask for: the delimiters, the end-of-line character, the lines to skip,
// the token numbers (sorted, each once) and whether "*" takes the rest of the line.
struct TokenOptions {
    std::string delims = " \t";
    char eol = ';';
    long skip = 0;
    std::vector<int> wanted = {1};
    bool rest = false;
};

// "tokens=1,3-4*": false when a part is no number or range the interpreter takes (1 to 31).
bool ParseTokenList(std::string tokens, TokenOptions& parsed) {
    parsed.wanted.clear();
    if (!tokens.empty() && tokens.back() == '*') {
        parsed.rest = true;
        tokens.pop_back();
    }
    for (const std::string& part : SplitWords(tokens, ",")) {
        const std::size_t dash = part.find('-');
        long from = 0, to = 0;
        if (!ParseNumber(part.substr(0, dash), from) ||
            !ParseNumber(dash == std::string::npos ? part : part.substr(dash + 1), to) || from < 1 || to < from || to > 31)
            return false;
        for (long k = from; k <= to; ++k)
            parsed.wanted.push_back(static_cast<int>(k));
    }
    std::sort(parsed.wanted.begin(), parsed.wanted.end());
    parsed.wanted.erase(std::unique(parsed.wanted.begin(), parsed.wanted.end()), parsed.wanted.end());
    return true;
}

// The end of "delims=...": the delimiters run to the end, or to a blank before another
// option; a blank right after "=" is a delimiter itself.
std::size_t DelimsEnd(const std::string& options, const std::string& folded, std::size_t i) {
    std::size_t end = i + 7;
    for (; end < options.size(); ++end) {
        bool another = false;
        for (const char* option : {"tokens=", "eol=", "skip=", "usebackq", "delims="})
            another = another || folded.compare(end + 1, std::char_traits<char>::length(option), option) == 0;
        if (end > i + 7 && IsBlank(options[end]) && another)
            break;
    }
    return end;
}

std::optional<TokenOptions> ParseTokenOptions(const std::string& options) {
    TokenOptions parsed;
    const std::string folded = base::AsciiLower(options);
    std::size_t i = 0;
    while (i < options.size()) {
        if (IsBlank(options[i])) {
            ++i;
        } else if (folded.compare(i, 7, "delims=") == 0) {
            const std::size_t end = DelimsEnd(options, folded, i);
            parsed.delims = options.substr(i + 7, end - i - 7);
            i = end;
        } else if (folded.compare(i, 4, "eol=") == 0 && i + 4 < options.size()) {
            parsed.eol = options[i + 4];
            i += 5;
        } else if (folded.compare(i, 5, "skip=") == 0) {
            std::size_t end = i + 5;
            while (end < options.size() && std::isdigit(static_cast<unsigned char>(options[end])))
                ++end;
            if (!ParseNumber(options.substr(i + 5, end - i - 5), parsed.skip))
                return std::nullopt;
            i = end;
        } else if (folded.compare(i, 7, "tokens=") == 0) {
            std::size_t end = i + 7;
            while (end < options.size() && !IsBlank(options[end]))
                ++end;
            if (!ParseTokenList(options.substr(i + 7, end - i - 7), parsed))
                return std::nullopt;
            i = end;
        } else if (folded.compare(i, 8, "usebackq") == 0) {
            i += 8;
        } else {
            return std::nullopt;
        }
    }
    return parsed;
}

}  // namespace

namespace {
std::vector<std::string> TokensOf(const TokenOptions& options, const std::string& line);
}  // namespace

std::optional<std::vector<std::string>> ForTokens(const std::string& options, const std::string& line) {
    const std::optional<TokenOptions> parsed = ParseTokenOptions(options);
    if (!parsed)
        return std::nullopt;
    if (parsed->skip > 0)
        return std::vector<std::string>();
    return TokensOf(*parsed, line);
}

std::optional<std::vector<std::vector<std::string>>> ForFileTokens(const std::string& options,
                                                                   const std::vector<std::string>& lines) {
    const std::optional<TokenOptions> parsed = ParseTokenOptions(options);
    if (!parsed)
        return std::nullopt;
    std::vector<std::vector<std::string>> runs;
    for (std::size_t i = static_cast<std::size_t>(parsed->skip); i < lines.size(); ++i) {
        std::vector<std::string> values = TokensOf(*parsed, lines[i]);
        if (!values.empty())
            runs.push_back(std::move(values));
    }
    return runs;
}

namespace {

std::vector<std::string> TokensOf(const TokenOptions& options, const std::string& line) {
    const TokenOptions* parsed = &options;
    const std::string& delims = parsed->delims;
    std::vector<std::string> values;
    if (line.empty() || line[0] == parsed->eol)
        return values;
    // Tokens are the runs between delimiters; "*" takes what follows the last wanted token.
    std::vector<std::pair<std::size_t, std::size_t>> tokens;
    for (std::size_t at = 0; at < line.size();) {
        while (at < line.size() && delims.find(line[at]) != std::string::npos)
            ++at;
        if (at >= line.size())
            break;
        std::size_t end = at;
        while (end < line.size() && delims.find(line[end]) == std::string::npos)
            ++end;
        tokens.emplace_back(at, end);
        at = end;
    }
    std::size_t after = 0;
    for (const int k : parsed->wanted) {
        if (static_cast<std::size_t>(k) <= tokens.size()) {
            values.push_back(line.substr(tokens[k - 1].first, tokens[k - 1].second - tokens[k - 1].first));
            after = tokens[k - 1].second;
        } else {
            values.emplace_back();
        }
    }
    if (parsed->rest) {
        while (after < line.size() && delims.find(line[after]) != std::string::npos)
            ++after;
        values.push_back(line.substr(after));
    }
    if (values.empty() || values.front().empty())
        values.clear();  // a line with no first token gives no run
    return values;
}

}  // namespace

}  // namespace batchfile::syntax
