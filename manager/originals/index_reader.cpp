// The version dispatch of the store's index: each known version is recognised by its start
// and read by its own reader into the records the store works on.
#include "manager/originals/index_reader.h"

#include <mutex>
#include <utility>

#include "manager/originals/index_format_old.h"

namespace manager {
namespace {

DecodedRecords ReadOld(const std::string& text, const std::string& gameFolder, NameFold fold) {
    DecodedIndex decoded = DecodeOldIndex(text, gameFolder, fold);
    if (!decoded.index)
        return {std::nullopt, decoded.problem, decoded.line, kOldIndexVersion};
    ApplyRecord old{0, kKeptBefore, {}, 0, {}, true};
    for (IndexEntry& entry : decoded.index->entries)
        old.entries.push_back({std::move(entry), std::nullopt});
    return {StoreRecords{gameFolder, {std::move(old)}}, IndexProblem::None, 0, kOldIndexVersion};
}

struct VersionReader {
    bool (*recognises)(const std::string& text);
    DecodedRecords (*read)(const std::string& text, const std::string& gameFolder, NameFold fold);
};

// Newest last; a text no earlier reader recognises goes to the newest, which names its fault.
constexpr VersionReader kReaders[] = {
    {&IsOldIndex, &ReadOld},
    {&IsAnsiIndex, &DecodeAnsiRecords},
    {&IsPlainIndex, &DecodePlainRecords},
    {nullptr, &DecodeRecords},
};

DecodedRecords ReadAnyVersion(const std::string& text, const std::string& gameFolder, NameFold fold) {
    for (const VersionReader& reader : kReaders)
        if (!reader.recognises || reader.recognises(text))
            return reader.read(text, gameFolder, fold);
    return {};
}

// The last index read whole and what it said.
struct LastRead {
    std::string text;
    std::string gameFolder;
    NameFold fold = nullptr;
    DecodedRecords decoded;
};

}  // namespace

// Every step of a window reads the same index again (the Applied mods window on each
// opening): the same bytes for the same game folder say what they said the last time, so
// they are compared rather than hashed and decoded again. Nothing but equal bytes is taken.
DecodedRecords ReadIndex(const std::string& text, const std::string& gameFolder, NameFold fold) {
    static std::mutex guard;
    static LastRead last;
    const std::lock_guard<std::mutex> held(guard);
    if (last.decoded.records && last.fold == fold && last.gameFolder == gameFolder && last.text == text)
        return last.decoded;
    DecodedRecords decoded = ReadAnyVersion(text, gameFolder, fold);
    if (decoded.records)
        last = {text, gameFolder, fold, decoded};
    return decoded;
}

}  // namespace manager
