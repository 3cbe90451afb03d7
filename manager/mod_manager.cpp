// The manager's five operations: start-up load, add, apply, show last mod, reset.
#include "manager/mod_manager.h"

#include <string>
#include <utility>
#include <vector>

#include "batchfile/header_reader.h"
#include "batchfile/unique_file.h"
#include "manager/list_file.h"

namespace manager {
namespace {

constexpr char kSelectFirst[] = "Please select a mod first!";
constexpr char kDone[] = "Done!";
constexpr char kPpfCommand[] = "ApplyPPF3.exe u ";
constexpr char kPause[] = "PAUSE";

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t\r\n\v\f") == std::string::npos;
}

// A text that reads back as an empty record would end the list at the next start.
bool SurvivesReload(const std::string& text) {
    std::vector<std::string> reloaded;
    DecodeList(reloaded, EncodeList({text}, kDefaultRecordSize), 1, kDefaultRecordSize);
    return !reloaded.empty();
}

}  // namespace

std::string QuoteForInterpreter(const std::string& path) { return "\"\"" + path + "\"\""; }

ModManager::ModManager(ManagerFiles files, CommandRunner& runner, ManagerView& view, NameCompare compare)
    : m_files(std::move(files)), m_runner(runner), m_view(view), m_mods(std::move(compare)) {}

// Older list files can hold an empty name that ended the name list early; each path
// beyond the loaded names is listed under the path itself rather than lost.
void ModManager::StartupLoad(std::FILE* lastModReader) {
    std::vector<std::string> paths;
    std::vector<std::string> names;
    LoadList(paths, m_files.paths, kDefaultRecordLimit, kDefaultRecordSize);
    LoadList(names, m_files.names, kDefaultRecordLimit, kDefaultRecordSize);
    std::vector<ModEntry> entries;
    entries.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        entries.push_back({i < names.size() ? names[i] : paths[i], paths[i]});
    m_mods.Assign(std::move(entries));
    m_view.ShowList(m_mods.Entries());
    if (lastModReader)
        m_lastModText = batchfile::ReadLine(lastModReader).value_or(std::string());
}

void ModManager::AddBatchFile(const std::string& fieldText) {
    if (IsBlank(fieldText))
        return;  // an empty path would end both lists at the next start
    if (m_mods.Entries().size() >= kDefaultRecordLimit) {
        // The list files give back only this many mods; one more would be lost at the next start.
        m_view.ShowMessage("The mod list is full: it keeps at most " + std::to_string(kDefaultRecordLimit) +
                           " mods.");
        return;
    }
    if (fieldText.size() > kDefaultRecordSize) {
        m_view.ShowMessage("The path \"" + fieldText + "\" is too long to be remembered: the mod list keeps "
                           "batch file paths of at most " + std::to_string(kDefaultRecordSize) + " characters.");
        return;
    }
    const batchfile::ModHeader header = batchfile::ReadModHeader(fieldText, 1);
    std::string name = batchfile::ModNameOf(header.line1, fieldText);
    if (!SurvivesReload(name))
        name = fieldText;
    ChangeList([&](ModList& mods) { mods.Insert({std::move(name), fieldText}); });
}

void ModManager::ApplyMod(std::optional<std::size_t> selection) {
    if (!selection || *selection >= m_mods.Entries().size()) {
        m_view.ShowMessage(kSelectFirst);
        return;
    }
    const std::string path = m_mods.Entries()[*selection].path;
    const batchfile::ModHeader header = batchfile::ReadModHeader(path, 2);
    if (!header.opened) {
        m_view.ShowMessage("The batch file \"" + path + "\" could not be opened.");
        return;
    }
    if (const auto ppfText = batchfile::PpfTextOf(header.line2)) {
        m_runner.Run(kPpfCommand + *ppfText);
        m_runner.Run(kPause);
    } else {
        m_runner.Run(QuoteForInterpreter(path));
    }
    if (!batchfile::WriteWholeFile(m_files.lastMod, path))
        ReportUnwritable(m_files.lastMod);
    m_view.ShowMessage(kDone);
    m_view.CloseApplied();
}

void ModManager::ShowLastMod() { m_view.ShowMessage(m_lastModText); }

// Deleting is best effort: a file that is not there is already reset.
void ModManager::ResetModList() {
    std::remove(m_files.names.c_str());
    std::remove(m_files.paths.c_str());
    m_mods.Clear();
    m_view.ShowList(m_mods.Entries());
}

bool ModManager::ChangeList(const std::function<void(ModList&)>& change) {
    change(m_mods);
    const bool saved = SaveLists();
    m_view.ShowList(m_mods.Entries());
    return saved;
}

// The name list is written only after the path list, and not at all when the path list
// could not be written, so the two files never fall out of step through a failed save.
bool ModManager::SaveLists() {
    if (!SaveList(m_mods.Paths(), m_files.paths, kDefaultRecordLimit, kDefaultRecordSize)) {
        ReportUnwritable(m_files.paths);
        return false;
    }
    if (!SaveList(m_mods.Names(), m_files.names, kDefaultRecordLimit, kDefaultRecordSize)) {
        ReportUnwritable(m_files.names);
        return false;
    }
    return true;
}

void ModManager::ReportUnwritable(const std::string& path) {
    m_view.ShowMessage("The file \"" + path + "\" could not be written.");
}

}  // namespace manager
