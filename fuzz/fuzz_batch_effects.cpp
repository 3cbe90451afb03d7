// Fuzzes the batch effects reader: any bytes as lines over a small game folder, read in UTF-8
// or a single- or double-byte code page, must end in bounded time, every changed name must be
// a clean full path made of known values, and every name and line it gives must be UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/text.h"
#include "batchfile/reader/batch_effects.h"
#include "batchfile/reader/batch_runner.h"
#include "tests/support/fake_disk.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool IsFullPath(const std::string& name) {
    if (name.size() >= 3 && name[1] == ':' && name[2] == '\\')
        return true;
    return name.size() >= 2 && name[0] == '\\' && name[1] == '\\';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const testing_support::FakeDisk disk = {
        "C:\\Game\\game.exe", "C:\\Game\\maps\\a.map", "C:\\Game\\maps\\sub\\b.map", "C:\\Game\\text\\en.txt",
        "C:\\Game\\empty\\",  "C:\\Mods\\m\\a.map",   "C:\\Mods\\m\\maps\\c.map",   "C:\\Mods\\m\\x.ppf"};
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    batchfile::ReaderContext context;
    context.batchPath = "C:\\Mods\\m\\install.bat";
    context.startFolder = "C:\\Game";
    context.environment = {{"USERPROFILE", "C:\\Users\\pat"}, {"X", "maps\\*.map"}};
    context.disk = &disk;
    static const unsigned kCodePages[] = {65001, 866, 932};
    context.codePage = kCodePages[size > 0 ? data[0] % 3 : 0];
    // Every other batch file reads as the same lines, so calls recurse until the depth bound.
    context.readLines = [&lines](const std::string&) -> std::optional<std::vector<std::string>> { return lines; };
    const batchfile::BatchEffects effects = batchfile::EffectsOf(lines, context);
    for (const std::string& name : effects.changed) {
        Check(IsFullPath(name) && batchfile::runner::NamesFile(name));
        Check(name.find_first_of("\"%\x01\x02\x03") == std::string::npos);
        Check(base::Utf16Of(name).has_value());
    }
    for (const std::string& name : effects.deleted)  // a subset of the changed names, in their order
        Check(std::find(effects.changed.begin(), effects.changed.end(), name) != effects.changed.end());
    for (const batchfile::UnfollowedLine& line : effects.unfollowed) {
        Check(line.number >= 1 && static_cast<std::size_t>(line.number) <= lines.size() &&
              base::Utf16Of(line.text).has_value());
        Check(line.folder.empty() || (IsFullPath(line.folder) && batchfile::runner::NamesFile(line.folder)));
        Check(!batchfile::WhyText(line.why).empty());
    }
    return 0;
}
