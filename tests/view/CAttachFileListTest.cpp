#include "view/AttachmentActions.h"
#include "view/CAttachFileList.h"

#include "core/FilePath.h"
#include "support/RecordedBoxes.h"
#include "support/TempDir.h"
#include "ui/ModalRunner.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Names = std::set<std::string>;

class AttachList : public ::testing::Test
{
protected:
    std::string Source(const std::string& name, size_t size, const std::string& sub = "src")
    {
        TempDir::Put(dir.file(sub + "/" + name), std::string(size, 'x'));
        return dir.file(sub + "/" + name);
    }
    std::string At(const std::string& name) const { return folder + "/" + name; }
    Names Entries() const
    {
        Names names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }

    TempDir dir;
    std::string folder = dir.file("attach/pc01_20021201090507");
    CAttachFileList list;
    QProgressBar bar;
};

TEST_F(AttachList, LoadFolderListsFilesAndLinksToFilesAndRowsKeepTheirRecordsAcrossRemovals)
{
    const std::string sjisName = "\x83\x5C\x83\x74\x83\x67.txt"; // "ソフト.txt" in code page 932
    for (const char* name : {"a.txt", sjisName.c_str(), "sub/in", ".quorl-copy-1", "big"})
        TempDir::Put(At(name), "abc");
    ASSERT_EQ(truncate(At("big").c_str(), int64_t{5} << 30), 0); // sparse
    for (const auto& [target, link] : {std::pair{At("a.txt"), "link.txt"}, {folder, "dirlink"}, {At("none"), "dangling"}})
        ASSERT_EQ(symlink(target.c_str(), At(link).c_str()), 0);
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
    list.AddFile(Source("earlier.txt", 1));
    list.LoadFolder(folder);
    list.AddFile(dir.file("src")); // a folder counts nothing
    EXPECT_EQ(list.TotalSize(), (int64_t{5} << 30) + 9);
    // Each row shows its own record's name.
    const auto shown = [this] {
        Names paths;
        for (int row = 0; row < list.count(); ++row) {
            const std::string& path = *paths.insert(list.RecordPathOf(row)).first;
            EXPECT_EQ(list.item(row)->text(), QFile::decodeName(FilePath::BaseNameOf(path).c_str()));
        }
        return paths;
    };
    EXPECT_EQ(shown(), (Names{At("a.txt"), At(sjisName), At("link.txt"), At("big"), dir.file("src")}));

    for (int row : {1, 1, 9, -1})
        list.RemoveItem(row);
    EXPECT_EQ(shown().size(), 3u);
    int kept = -1;
    EXPECT_TRUE(list.CountKept(&kept) && kept == 3);
    while (list.count() > 0)
        list.RemoveItem(0);
    EXPECT_FALSE(list.CountKept());
    EXPECT_EQ(list.TotalSize(), 0);
}

TEST_F(AttachList, CommitCopiesKeptAddedFilesAndDeletesRemovedStoredOnes)
{
    for (const char* name : {"old.txt", "keep.txt", "again.txt"})
        TempDir::Put(At(name), name);
    list.LoadFolder(folder);
    for (int row = list.count() - 1; row >= 0; --row)
        if (list.RecordPathOf(row) != At("keep.txt"))
            list.RemoveItem(row);
    list.AddFile(At("again.txt")); // removed, then picked again from the folder itself
    list.AddFile(Source("same.txt", 3, "first"));
    list.AddFile(Source("same.txt", 7, "second"));
    list.AddFile(Source("gone.txt", 4));
    list.RemoveItem(list.count() - 1);
    ASSERT_TRUE(list.Commit(&bar));
    EXPECT_EQ(Entries(), (Names{"keep.txt", "again.txt", "same.txt"}));
    EXPECT_EQ(TempDir::Read(At("again.txt")), "again.txt");
    EXPECT_EQ(TempDir::Read(At("same.txt")), "xxxxxxx") << "the later copy replaces the earlier";
}

TEST(AttachActions, SaveAsksWhereAndCopiesOpenHandsThePathOnAndOnlyFailuresAreReported)
{
    TempDir dir;
    const std::string source = dir.file("report.pdf");
    TempDir::Write(source, "contents");
    RecordedBoxes boxes;
    QString chosen = QFile::decodeName(dir.file("copy.pdf").c_str());
    ModalRunner::SetHook([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_TRUE(files.acceptMode() == QFileDialog::AcceptSave && !files.testOption(QFileDialog::DontConfirmOverwrite));
        files.selectFile(chosen);
        return int(QDialog::Accepted);
    });
    QStringList opened;
    AttachmentActions::SetOpener([&](const QString& path) { return opened << path, opened.size() == 1; });
    EXPECT_TRUE(AttachmentActions::Save(nullptr, source));
    EXPECT_EQ(TempDir::Read(dir.file("copy.pdf")), "contents");
    chosen = QFile::decodeName(dir.file("copy.pdf/below.pdf").c_str());
    EXPECT_FALSE(AttachmentActions::Save(nullptr, source));
    EXPECT_TRUE(boxes.requests.size() == 1 && boxes.requests[0].text.contains(chosen) &&
                boxes.requests[0].icon == MessageBoxService::Icon::Exclamation);
    AttachmentActions::Open(nullptr, source);
    AttachmentActions::Open(nullptr, source); // the opener fails now
    EXPECT_EQ(opened, QStringList(2, QFile::decodeName(source.c_str())));
    EXPECT_EQ(boxes.requests.size(), 2u);
    AttachmentActions::SetOpener({});
    ModalRunner::SetHook({});
}

} // namespace
