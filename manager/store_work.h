// The changes of the store made under the state lock: applying a mod (keep, run, settle) and
// taking applies out with the later mods applied again. Nothing here asks or shows anything:
// each change fills in what happened, and the manager words it once the lock is let go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/progress.h"
#include "manager/apply_plan.h"
#include "manager/messages.h"
#include "manager/originals/originals_store.h"

namespace manager {

class CommandRunner;

class StoreWork {
public:
    StoreWork(CommandRunner& runner, base::ProgressView* progress,
              const std::vector<std::pair<std::string, std::string>>& environment)
        : m_runner(runner), m_progress(progress), m_environment(environment) {}

    // Keeps the plan's files, runs the mod and notes what it changed: the new apply's number,
    // or nothing with `refused` saying why it did not run.
    std::optional<std::uint64_t> Apply(OriginalsStore& store, const ApplyPlan& plan, std::string& refused,
                                       text::RunNews& news) const;

    struct TakeOutDone {
        std::vector<text::TakenOut> out;  // each apply tried, in order
        bool cancelled = false;
        std::vector<text::AgainResult> again;
        std::vector<std::string> messages;  // what the runs of the mods applied again must tell
    };
    // Takes out the applies numbered in `numbers` in that order, leaving the files in `leave`
    // (folded names), then applies again the later mods that went.
    TakeOutDone TakeOut(OriginalsStore& store, const std::vector<std::uint64_t>& numbers,
                        const std::vector<AgainStep>& steps, const std::set<std::string>& leave) const;

    // Applies again the mods a take-out took out, each checked against its plan.
    std::vector<text::AgainResult> ApplyAgain(OriginalsStore& store, const std::vector<AgainStep>& steps,
                                              const std::set<std::string>& leave,
                                              std::vector<std::string>& messages) const;

private:
    CommandRunner& m_runner;
    base::ProgressView* m_progress;
    const std::vector<std::pair<std::string, std::string>>& m_environment;
};

}  // namespace manager
