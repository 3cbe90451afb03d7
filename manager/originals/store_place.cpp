// The store's folder for a game folder, worked out from names alone.
#include "manager/originals/store_place.h"

#include "base/sha256.h"

namespace manager {
namespace {

constexpr std::size_t kNameLength = 40;
constexpr std::size_t kHashDigits = 16;

// ASCII letters and digits, "-" and "_" stay, everything else becomes "_": no dot, so the
// key never reads as a device name with an extension ("con.d"), and no byte that could be
// half of a double-byte character.
std::string SafeName(const std::string& part) {
    std::string safe;
    for (const char c : part.substr(0, kNameLength)) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        safe.push_back(plain ? c : '_');
    }
    return safe.empty() ? "game" : safe;
}

}  // namespace

// A trailing separator names the same folder, except the one that ends a root ("C:\").
std::string StoreKey(const std::string& gameFolder, base::NameFold fold) {
    const std::string path = base::WithoutTrailingSeparator(gameFolder);
    const std::string hash = base::ToHex(base::Sha256Of(fold(path)));
    return SafeName(base::BaseName(path)) + "-" + hash.substr(0, kHashDigits);
}

std::optional<std::string> PreviousStoreKey(const std::string& gameFolder) {
    const std::optional<std::string> ansi = base::AnsiOf(gameFolder);
    if (!ansi || *ansi == gameFolder)
        return std::nullopt;
    return StoreKey(*ansi, &base::FoldAnsi);
}

std::string StoreRoot(const std::string& localAppData) {
    return base::Join(base::WithoutTrailingSeparator(localAppData), "Grenwick\\Originals");
}

}  // namespace manager
