// The record that lets a stopped installation run again.
#include <gtest/gtest.h>

#include "install_files.h"
#include "install_journal.h"
#include "install_test_support.h"

TEST(InstallJournal, ParseTakesOnlyWholeLinesOfItsOwnScript)
{
    const std::string head = "00000000000000ff\n";
    const std::string text = head + "3\n12\n";
    EXPECT_EQ(JournalParse(text.data(), text.size(), 0xff), (std::set<unsigned>{3, 12}));
    EXPECT_TRUE(JournalParse(text.data(), text.size(), 0xfe).empty());
    EXPECT_TRUE(JournalParse(text.data(), 5, 0xff).empty());
    const std::string cut = head + "3\n12";
    EXPECT_EQ(JournalParse(cut.data(), cut.size(), 0xff), (std::set<unsigned>{3}));
    for (const std::string bad : {"x\n4\n", "0\n4\n", "99999999999\n4\n", "\n4\n", "-1\n4\n"}) {
        const std::string t = head + bad;
        EXPECT_TRUE(JournalParse(t.data(), t.size(), 0xff).empty()) << bad;
    }
}

TEST(InstallJournal, RecordsSurviveAndBelongToOneScript)
{
    TempDir d;
    const std::string path = d.File("record");
    InstallJournal a;
    a.Load(path, 42);
    EXPECT_FALSE(a.Has(4));
    EXPECT_TRUE(a.Add(4));
    EXPECT_TRUE(a.Add(9));
    EXPECT_TRUE(a.Has(4));

    InstallJournal b;
    b.Load(path, 42);
    EXPECT_TRUE(b.Has(4));
    EXPECT_TRUE(b.Has(9));
    EXPECT_FALSE(b.Has(5));

    // Another script's run replaces the record.
    InstallJournal c;
    c.Load(path, 43);
    EXPECT_FALSE(c.Has(4));
    EXPECT_TRUE(c.Add(7));
    b.Load(path, 42);
    EXPECT_FALSE(b.Has(4));
    c.Remove();
    EXPECT_FALSE(FileExistsOnDisk(path));
    EXPECT_FALSE(FileExistsOnDisk(InstallPartFile(path)));
}
