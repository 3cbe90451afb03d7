// The batch reader's entry: one run in thought over a whole batch file.
#include "batchfile/reader/batch_effects.h"

#include "batchfile/reader/batch_runner.h"

namespace batchfile {

BatchEffects EffectsOf(const std::vector<std::string>& lines, const ReaderContext& context) {
    runner::Runner runner(context);
    runner.RunFile(context.batchPath, lines, {context.batchPath});
    return runner.effects;
}

}  // namespace batchfile
