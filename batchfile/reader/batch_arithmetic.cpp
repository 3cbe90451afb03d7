// "set /a": integers with + - * / % and parentheses, assignments and their "+=" forms, wrapped
// to 32 bits as the interpreter keeps them.
#include "batchfile/reader/batch_arithmetic.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "base/text.h"
#include "batchfile/reader/batch_syntax.h"

namespace batchfile {
namespace {

constexpr int kMaxArithmeticDepth = 64;

using syntax::HasUnknown;
using syntax::TrimBlanks;

using Assignments = std::vector<std::pair<std::string, std::optional<std::int32_t>>>;

// Precedence as the interpreter has it for these operators: unary, then * / %, then + -.
// Values are kept in 64 bits and wrapped to 32 after each step, so nothing can overflow.
class Evaluator {
public:
    Evaluator(const std::string& text, std::function<std::string(const std::string&)> lookup)
        : m_s(text), m_lookup(std::move(lookup)) {}

    // Runs every comma-separated expression; returns the assignments made.
    Assignments Run();

private:
    // The assignment operator after a name ("=", "+=", ...), or empty when none follows.
    std::string AssignmentOperator() const;
    void Blanks();
    std::string Identifier();
    static std::optional<std::int64_t> Number(const std::string& text);
    static std::optional<std::int64_t> Apply(std::optional<std::int64_t> a, std::optional<std::int64_t> b, char op);
    std::optional<std::int64_t> Sum(int depth);
    std::optional<std::int64_t> Product(int depth);
    std::optional<std::int64_t> Unary(int depth);
    std::string Value(const std::string& name) const;

    const std::string m_s;
    std::function<std::string(const std::string&)> m_lookup;
    std::map<std::string, std::string> m_assigned;
    std::size_t m_i = 0;
};

Assignments Evaluator::Run() {
    Assignments assigned;
    while (m_i <= m_s.size()) {
        Blanks();
        const std::size_t start = m_i;
        std::string name = Identifier();
        Blanks();
        const std::string op = name.empty() ? std::string() : AssignmentOperator();
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
            if (op != "=")
                value = Apply(Number(Value(name)), value, op[0]);
            const std::optional<std::int32_t> result =
                value ? std::optional<std::int32_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(*value)))
                      : std::nullopt;
            assigned.emplace_back(name, result);
            m_assigned[base::AsciiLower(name)] = result ? std::to_string(*result) : std::string(1, syntax::kUnknown);
        }
        if (m_i >= m_s.size() || m_s[m_i] != ',')
            break;
        ++m_i;
    }
    return assigned;
}

std::string Evaluator::AssignmentOperator() const {
    for (const char* candidate : {"+=", "-=", "*=", "/=", "%=", "="})
        if (m_s.compare(m_i, std::char_traits<char>::length(candidate), candidate) == 0 &&
            !(candidate[0] == '=' && m_i + 1 < m_s.size() && m_s[m_i + 1] == '='))
            return candidate;
    return std::string();
}

void Evaluator::Blanks() {
    while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '"'))
        ++m_i;
}

std::string Evaluator::Identifier() {
    std::size_t j = m_i;
    if (j < m_s.size() && (std::isalpha(static_cast<unsigned char>(m_s[j])) || m_s[j] == '_'))
        while (j < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[j])) || m_s[j] == '_' || m_s[j] == '.'))
            ++j;
    std::string name = m_s.substr(m_i, j - m_i);
    m_i = j;
    return name;
}

std::optional<std::int64_t> Evaluator::Number(const std::string& text) {
    if (HasUnknown(text))
        return std::nullopt;
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty())
        return 0;
    char* end = nullptr;
    const long long value = std::strtoll(trimmed.c_str(), &end, 0);
    return static_cast<std::int64_t>(static_cast<std::int32_t>(value));
}

std::optional<std::int64_t> Evaluator::Apply(std::optional<std::int64_t> a, std::optional<std::int64_t> b, char op) {
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

std::optional<std::int64_t> Evaluator::Sum(int depth) {
    std::optional<std::int64_t> value = Product(depth);
    while (true) {
        Blanks();
        if (m_i >= m_s.size() || (m_s[m_i] != '+' && m_s[m_i] != '-'))
            return value;
        const char op = m_s[m_i++];
        value = Apply(value, Product(depth), op);
    }
}

std::optional<std::int64_t> Evaluator::Product(int depth) {
    std::optional<std::int64_t> value = Unary(depth);
    while (true) {
        Blanks();
        if (m_i >= m_s.size() || (m_s[m_i] != '*' && m_s[m_i] != '/' && m_s[m_i] != '%'))
            return value;
        const char op = m_s[m_i++];
        value = Apply(value, Unary(depth), op);
    }
}

std::optional<std::int64_t> Evaluator::Unary(int depth) {
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
    return Number(Value(name));
}

// A later expression sees what an earlier one assigned: "set /a a=1, b=a+2" gives b 3.
std::string Evaluator::Value(const std::string& name) const {
    const auto found = m_assigned.find(base::AsciiLower(name));
    return found != m_assigned.end() ? found->second : m_lookup(name);
}

}  // namespace

std::vector<std::pair<std::string, std::optional<std::int32_t>>> Arithmetic(
    const std::string& text, const std::function<std::string(const std::string&)>& lookup) {
    return Evaluator(text, lookup).Run();
}

}  // namespace batchfile
