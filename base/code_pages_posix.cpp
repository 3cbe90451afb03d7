// Code pages on the hosts the native tests run on: names are UTF-8, and the C library's
// converter reads the Windows code pages the tests name ("CP866", "CP932", ...).
#include "base/code_pages.h"

#include <iconv.h>

#include <vector>

#include "base/text.h"

namespace base {

unsigned AnsiCodePage() { return kUtf8CodePage; }
unsigned OemCodePage() { return kUtf8CodePage; }

std::optional<std::string> Utf8OfCodePage(const std::string& bytes, unsigned codePage) {
    if (codePage == kUtf8CodePage)
        return Utf16Of(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    const iconv_t converter = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    // A code page's character is at most three bytes of UTF-8 for each of its bytes.
    std::vector<char> in(bytes.begin(), bytes.end());
    std::string utf8(3 * bytes.size(), '\0');
    char* from = in.data();
    char* to = utf8.data();
    std::size_t left = in.size();
    std::size_t room = utf8.size();
    const bool whole = iconv(converter, &from, &left, &to, &room) != static_cast<std::size_t>(-1);
    utf8.resize(utf8.size() - room);
    iconv_close(converter);
    return whole ? std::optional<std::string>(utf8) : std::nullopt;
}

std::string Utf8OfAnsi(const std::string& ansi) { return ansi; }

}  // namespace base
