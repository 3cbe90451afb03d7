// PPF batch files as the writer leaves them on disk: exact bytes, texts as typed.
#include <gtest/gtest.h>

#include <string>

#include "batchfile/batch_lines.h"
#include "tests/support/temp_dir.h"
#include "writers/ppf/ppf_batch.h"

namespace {

// The form's texts name files relative to the current directory, as the program does.
TEST(PpfBatch, WritesTheFormAsExactLines) {
    struct Case {
        const char* what;
        ppf::PpfForm form;  // PPF file, mod name, batch file, map file
        std::string bytes;
    };
    const Case cases[] = {
        {"named mod",
         {"nightsky.ppf", "Night Sky", "nightsky.bat", "maps\\canyon.map"},
         ":: &Night Sky\r\n:: <nightsky.bat\r\nApplyPPF3.exe a maps\\canyon.map nightsky.ppf\r\n"},
        {"empty name: no name line, the PPF line comes first",
         {"plain.ppf", "", "plain.bat", "maps\\canyon.map"},
         ":: <plain.bat\r\nApplyPPF3.exe a maps\\canyon.map plain.ppf\r\n"},
        {"empty map and PPF fields leave one blank between them",
         {"", "Bare", "bare.bat", ""},
         ":: &Bare\r\n:: <bare.bat\r\nApplyPPF3.exe a  \r\n"},
        {"blanks are kept where typed, nothing is quoted or trimmed",
         {"my mods\\night sky.ppf", " Night Sky ", "night sky.bat", "maps\\my canyon.map"},
         ":: & Night Sky \r\n:: <night sky.bat\r\nApplyPPF3.exe a maps\\my canyon.map my mods\\night sky.ppf\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TempDir dir;
        testing_support::ScopedCurrentDir inDir(dir.Path());
        ASSERT_TRUE(batchfile::WriteBatchFile(c.form.batchFile, ppf::PpfLines(c.form)));
        EXPECT_EQ(testing_support::ReadBytes(c.form.batchFile), c.bytes);
    }
}

}  // namespace
