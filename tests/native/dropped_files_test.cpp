// Which names of a drop on Grenwick's window become mods, and how the others are named.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "manager/list/dropped_files.h"

namespace {

using base::PathKind;
using Indexes = std::vector<std::size_t>;

TEST(DroppedFiles, OnlyBatchFilesAreAddedEachOnceAndEveryOtherNameIsNamed) {
    struct Case {
        const char* what;
        std::vector<manager::DroppedName> drop;
        Indexes added;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {"both extensions, any case",
         {{"C:\\g\\a.bat", PathKind::File}, {"C:\\g\\B.CMD", PathKind::File}, {"C:\\g\\c.Bat", PathKind::File}},
         {0, 1, 2},
         ""},
        {"a folder named like a batch file",
         {{"C:\\g\\x.bat", PathKind::Folder}, {"C:\\g\\y.bat", PathKind::File}},
         {1},
         "\"C:\\g\\x.bat\" was not added: it is a folder."},
        {"other files and near misses, each on its own line",
         {{"C:\\g\\readme.txt", PathKind::File},
          {"C:\\g\\a.bat.txt", PathKind::File},
          {"C:\\g\\bat", PathKind::File},
          {"C:\\g\\a.batch", PathKind::File},
          {"C:\\g\\ok.bat", PathKind::File}},
         {4},
         "\"C:\\g\\readme.txt\" was not added: only batch files (.bat or .cmd) can be added.\n"
         "\"C:\\g\\a.bat.txt\" was not added: only batch files (.bat or .cmd) can be added.\n"
         "\"C:\\g\\bat\" was not added: only batch files (.bat or .cmd) can be added.\n"
         "\"C:\\g\\a.batch\" was not added: only batch files (.bat or .cmd) can be added."},
        {"a device is no batch file", {{"\\\\.\\pipe\\p.bat", PathKind::Other}}, {},
         "\"\\\\.\\pipe\\p.bat\" was not added: only batch files (.bat or .cmd) can be added."},
        {"one file dropped twice, in two cases",
         {{"C:\\g\\a.bat", PathKind::File}, {"C:\\g\\b.bat", PathKind::File}, {"C:\\G\\A.BAT", PathKind::File},
          {"C:\\g\\a.bat", PathKind::File}},
         {0, 1},
         ""},
        {"a missing batch file is left to the add, which names it", {{"C:\\g\\gone.bat", PathKind::Missing}}, {0}, ""},
        {"an empty drop", {}, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const manager::DropChoice choice = manager::ChooseDroppedBatchFiles(c.drop);
        EXPECT_EQ(choice.added, c.added);
        EXPECT_EQ(choice.refusal, c.refusal);
    }
}

}  // namespace
