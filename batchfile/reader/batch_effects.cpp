// The batch reader's entry: one run in thought over a whole batch file.
#include "batchfile/reader/batch_effects.h"

#include "batchfile/reader/batch_runner.h"

namespace batchfile {

std::string WhyText(UnfollowedWhy why) {
    switch (why) {
    case UnfollowedWhy::OtherProgram:
        return "another program";
    case UnfollowedWhy::Download:
        return "a downloaded file";
    case UnfollowedWhy::FolderFoundAtRunTime:
        return "a folder found at run time";
    case UnfollowedWhy::TypedName:
        return "a name the player types";
    case UnfollowedWhy::BoundReached:
        return "a bound of the reader was reached";
    case UnfollowedWhy::UnknownSwitch:
        return "a switch the reader does not know";
    case UnfollowedWhy::UnreadableText:
        return "text the reader cannot read";
    }
    return "another program";
}

BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context) {
    runner::Runner runner(context);
    runner.RunFile(context.batchPath, lines, {context.batchPath});
    runner.Finish();
    return runner.effects;
}

}  // namespace batchfile
