// Staged text files: a file of that name changes only when the completed
// temporary is committed.
#include "core/workfile.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

TEST(StagedFile, AnExistingFileChangesOnlyOnCommit) {
    TempDir dir;
    write_file("net.hgt", "OLD\n");
    {
        SeqFile f;
        ASSERT_TRUE(f.open("net.hgt", SeqFile::Mode::Staged));
        f.write_line("NEW");
        f.flush();
        EXPECT_EQ(read_file("net.hgt"), "OLD\n");
        EXPECT_EQ(read_file("net.hgt.tmp"), "NEW\n");
        f.close();
    }
    EXPECT_EQ(read_file("net.hgt"), "OLD\n");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.hgt"}));

    SeqFile g;
    ASSERT_TRUE(g.open("net.hgt", SeqFile::Mode::Staged));
    g.write_line("NEW");
    g.commit();
    g.close();
    EXPECT_EQ(read_file("net.hgt"), "NEW\n");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.hgt"}));
}
