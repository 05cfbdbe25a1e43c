#include "view/AttachmentActions.h"
#include "view/CAttachFileList.h"

#include "support/TempDir.h"
#include "ui/MessageBoxService.h"
#include "ui/ModalRunner.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Names = std::set<std::string>;
using Flags = std::vector<uint32_t>;
constexpr uint32_t kStored = CAttachFileList::kStored;
constexpr uint32_t kRemoved = CAttachFileList::kRemoved;

class AttachList : public ::testing::Test
{
protected:
    std::string Source(const std::string& name, size_t size, const std::string& sub = "src")
    {
        fs::create_directories(dir.file(sub));
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i % 23);
        TempDir::Write(dir.file(sub + "/" + name), bytes);
        return dir.file(sub + "/" + name);
    }
    static Names Entries(const std::string& folder)
    {
        Names names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        return names;
    }
    Flags FlagsOf() const
    {
        Flags flags;
        for (const AttachRecord& record : list.Records())
            flags.push_back(record.flags);
        return flags;
    }
    std::string At(const std::string& name) const { return folder + "/" + name; }

    TempDir dir;
    std::string folder = dir.file("attach/pc01_20021201090507");
    CAttachFileList list;
    QProgressBar bar;
};

TEST_F(AttachList, LoadFolderListsFilesAndLinksToFilesWithAnIconEachKeepingNameBytes)
{
    const std::string sjisName = "\x83\x5C\x83\x74\x83\x67.txt"; // "ソフト.txt" in code page 932
    fs::create_directories(folder + "/sub");
    for (const char* name : {"a.txt", sjisName.c_str(), "sub/in", ".quorl-copy-1"})
        TempDir::Write(At(name), "abc");
    ASSERT_EQ(symlink(At("a.txt").c_str(), At("link.txt").c_str()), 0);
    ASSERT_EQ(symlink(folder.c_str(), At("dirlink").c_str()), 0);
    ASSERT_EQ(symlink(At("none").c_str(), At("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);

    list.AddFile(Source("earlier.txt", 1));
    list.LoadFolder(folder);
    Names paths;
    for (int row = 0; row < list.count(); ++row) {
        const std::string path = list.RecordPathOf(row);
        paths.insert(path);
        EXPECT_EQ(list.item(row)->text(), QFile::decodeName(CAttachFileList::FileNameOf(path).c_str()));
        EXPECT_FALSE(list.item(row)->icon().isNull()) << path;
    }
    EXPECT_EQ(paths, (Names{At("a.txt"), At(sjisName), At("link.txt")}));
    EXPECT_EQ(FlagsOf(), Flags(3, kStored));
    EXPECT_EQ(list.TotalSize(), 9);
    EXPECT_EQ(list.SelectionMarkRow(), -1);
    EXPECT_EQ(list.RecordPathOf(-1), "");

    // A folder that is not there lists as empty but stays the one to fill.
    const std::string missing = dir.file("attach/pc01_20030101000000");
    list.LoadFolder(missing);
    EXPECT_TRUE(list.count() == 0 && list.Records().empty());
    list.AddFile(At(sjisName));
    ASSERT_TRUE(list.Commit(&bar));
    EXPECT_EQ(TempDir::Read(missing + "/" + sjisName), "abc");
}

TEST_F(AttachList, RowsKeepTheirRecordsAcrossRemovalsAndSizesAreWide)
{
    constexpr int64_t kGiB = int64_t{1} << 30;
    for (int64_t size : {3 * kGiB, 2 * kGiB, 10 * int64_t{1}}) {
        const std::string path = Source(std::to_string(size), 0);
        ASSERT_EQ(truncate(path.c_str(), size), 0); // sparse
        list.AddFile(path);
    }
    EXPECT_EQ(list.TotalSize(), 5 * kGiB + 10);
    QSignalSpy deletes(&list, &CAttachFileList::deletePressed);
    list.setCurrentRow(1);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(deletes.count(), 1);
    EXPECT_EQ(list.count(), 3) << "the editor decides what Delete removes";
    EXPECT_EQ(list.SelectionMarkRow(), 1);

    for (int row : {1, 1, 1, -1})
        list.RemoveItem(row);
    EXPECT_EQ(FlagsOf(), (Flags{0, kRemoved, kRemoved}));
    EXPECT_EQ(list.TotalSize(), 3 * kGiB);
    int kept = -1;
    EXPECT_TRUE(list.CountKept(&kept));
    EXPECT_EQ(kept, 1);
    list.RemoveItem(0);
    EXPECT_FALSE(list.CountKept(&kept));
    EXPECT_EQ(kept, 0);

    list.AddFile(dir.file("src/missing.txt"));
    EXPECT_EQ(list.RecordPathOf(0), dir.file("src/missing.txt"));
    EXPECT_EQ(list.Records()[3].size, 0);
    list.ClearList();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.Records().size(), 4u);
}

TEST_F(AttachList, CommitCopiesKeptAddedFilesAndDeletesRemovedStoredOnes)
{
    fs::create_directories(folder);
    for (const char* name : {"old.txt", "keep.txt", "again.txt"})
        TempDir::Write(At(name), name);
    list.LoadFolder(folder);
    for (int row = list.count() - 1; row >= 0; --row) {
        if (list.RecordPathOf(row) != At("keep.txt"))
            list.RemoveItem(row);
    }
    list.AddFile(At("again.txt")); // removed, then picked again from the folder itself
    list.AddFile(Source("twice.txt", 5));
    list.AddFile(Source("twice.txt", 5));
    list.AddFile(Source("same.txt", 3, "first"));
    list.AddFile(Source("same.txt", 7, "second"));
    list.AddFile(Source("gone.txt", 4));
    list.RemoveItem(list.count() - 1);

    QString error;
    ASSERT_TRUE(list.Commit(&bar, &error)) << error.toStdString();
    EXPECT_EQ(Entries(folder), (Names{"keep.txt", "again.txt", "twice.txt", "same.txt"}));
    EXPECT_EQ(TempDir::Read(At("again.txt")), "again.txt");
    EXPECT_EQ(TempDir::Read(At("twice.txt")), "abcde");
    EXPECT_EQ(TempDir::Read(At("same.txt")), "abcdefg") << "the later copy replaces the earlier";

    list.LoadFolder(folder);
    while (list.count() > 0)
        list.RemoveItem(0);
    ASSERT_TRUE(list.Commit(&bar));
    EXPECT_TRUE(Entries(folder).empty()) << "the folder stays";

    // No records, or no folder: nothing is created and the bar is not touched.
    QProgressBar untouched;
    CAttachFileList fresh;
    fresh.SetFolder(dir.file("new"));
    EXPECT_TRUE(fresh.Commit(&untouched));
    fresh.SetFolder("");
    fresh.AddFile(Source("a.txt", 3));
    EXPECT_TRUE(fresh.Commit(&untouched));
    fresh.RemoveItem(0);
    EXPECT_TRUE(fresh.Commit(&untouched));
    EXPECT_FALSE(fs::exists(dir.file("new")));
    EXPECT_EQ(untouched.value(), -1);
}

TEST_F(AttachList, TheBarAdvancesOncePerStartedKilobyteAndEndsFull)
{
    fs::create_directories(folder);
    for (size_t size : {size_t{0}, size_t{1}, size_t{1024}, size_t{1025}, size_t{1500}, size_t{3 << 20} + 1}) {
        QProgressBar counter;
        counter.setRange(0, 100000);
        counter.setValue(7);
        const std::string source = Source("f" + std::to_string(size), size);
        ASSERT_TRUE(CAttachFileList::CopyFileBlocks(source, At("f"), &counter, nullptr));
        EXPECT_EQ(counter.value(), 7 + static_cast<int>((size + 1023) / 1024)) << size;
        EXPECT_EQ(TempDir::Read(At("f")), TempDir::Read(source));
    }
    struct Case
    {
        size_t stored;
        std::vector<size_t> added;
        int maximum;
        int value;
    };
    const Case cases[] = {
        {0, {1500}, 1, 1},                      // the range is 0..1, the copy counts two
        {0, {1500, (2 << 20) + 1}, 2049, 2049}, // the second file overshoots the rounded-down total
        {4096, {1024}, 5, 1},                   // a kept stored file counts, but is not copied
    };
    for (const Case& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        if (c.stored > 0)
            TempDir::Write(At("stored"), std::string(c.stored, 's'));
        list.LoadFolder(folder);
        for (size_t size : c.added)
            list.AddFile(Source("p" + std::to_string(size), size));
        bar.setRange(0, 10);
        bar.setValue(3);
        ASSERT_TRUE(list.Commit(&bar));
        EXPECT_EQ(bar.minimum(), 0);
        EXPECT_EQ(bar.maximum(), c.maximum);
        EXPECT_EQ(bar.value(), c.value);
    }
}

TEST_F(AttachList, AFailedCopyStopsThereAndLeavesNoPartialFile)
{
    const std::string plain = Source("plain.txt", 1);
    // what, source, folder, the path the message names
    const std::tuple<const char*, std::string, std::string, std::string> cases[] = {
        {"missing source", dir.file("src/missing.txt"), folder, dir.file("src/missing.txt")},
        {"source is a folder", dir.file("src"), folder, dir.file("src")},
        {"folder under a file", Source("b.txt", 2), plain + "/sub", plain + "/sub/first.txt"},
        {"file size limit", Source("big.bin", 100000), folder, At("big.bin")},
    };
    for (const auto& [what, source, target, named] : cases) {
        SCOPED_TRACE(what);
        fs::create_directories(folder);
        TempDir::Write(At("big.bin"), "old");
        list.LoadFolder(target);
        for (const std::string& path : {Source("first.txt", 5), source, Source("last.txt", 5)})
            list.AddFile(path);
        struct rlimit old {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const struct rlimit tiny = {4096, old.rlim_max};
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, named == At("big.bin") ? &tiny : &old), 0);
        QString error;
        const bool committed = list.Commit(&bar, &error);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);

        EXPECT_FALSE(committed);
        EXPECT_TRUE(error.startsWith(QString::fromUtf8("添付ファイルをコピーできません。\n") +
                                     QFile::decodeName(named.c_str()) + "\n"))
            << error.toStdString();
        if (target == folder) {
            EXPECT_EQ(Entries(folder), (Names{"big.bin", "first.txt"})) << "stops at the failing file";
            EXPECT_EQ(TempDir::Read(At("big.bin")), "old");
        }
        fs::remove_all(folder);
    }
}

TEST(AttachFolders, MakeFoldersCreatesOnlyWhatIsMissing)
{
    TempDir dir;
    fs::create_directories(dir.file("a"));
    ASSERT_EQ(chmod(dir.file("a").c_str(), 0700), 0);
    TempDir::Write(dir.file("a/keep"), "k");
    TempDir::Write(dir.file("plain"), "p");
    CAttachFileList::MakeFolders(dir.file("a//b/c/"));
    CAttachFileList::MakeFolders(dir.file("plain/x"));
    CAttachFileList::MakeFolders("");
    EXPECT_TRUE(fs::is_directory(dir.file("a/b/c")));
    EXPECT_EQ(fs::status(dir.file("a")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(TempDir::Read(dir.file("a/keep")), "k");
    EXPECT_EQ(TempDir::Read(dir.file("plain")), "p");

    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    CAttachFileList::MakeFolders("r/s");
    fs::current_path(before);
    EXPECT_TRUE(fs::is_directory(dir.file("r/s")));
}

class AttachActions : public ::testing::Test
{
protected:
    AttachActions()
    {
        AttachmentActions::SetSaveChooser([this](QWidget*, const QString& name) {
            asked << name;
            return chosen;
        });
        AttachmentActions::SetOpener([this](const QString& path) {
            opened << path;
            return openWorks;
        });
        MessageBoxService::SetResponder([this](const MessageBoxService::Request& request) {
            boxes.push_back(request);
            return MessageBoxService::AnswerOk;
        });
        TempDir::Write(source, "contents");
    }
    ~AttachActions() override
    {
        AttachmentActions::SetSaveChooser({});
        AttachmentActions::SetOpener({});
        MessageBoxService::SetResponder({});
        ModalRunner::SetHook({});
    }

    TempDir dir;
    std::string source = dir.file("report.pdf");
    QString chosen;
    bool openWorks = true;
    QStringList asked;
    QStringList opened;
    std::vector<MessageBoxService::Request> boxes;
};

TEST_F(AttachActions, SaveCopiesWhereChosenAndReportsOnlyAFailedCopy)
{
    TempDir::Write(dir.file("out.pdf"), "old");
    chosen = QFile::decodeName(dir.file("out.pdf").c_str());
    EXPECT_TRUE(AttachmentActions::Save(nullptr, source));
    EXPECT_EQ(asked, QStringList{"report.pdf"});
    EXPECT_EQ(TempDir::Read(dir.file("out.pdf")), "contents");

    chosen = QFile::decodeName(dir.file("out.pdf/below.pdf").c_str());
    EXPECT_FALSE(AttachmentActions::Save(nullptr, source));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains(chosen));
    EXPECT_EQ(boxes[0].icon, MessageBoxService::Icon::Exclamation);

    chosen.clear();
    EXPECT_FALSE(AttachmentActions::Save(nullptr, source));
    EXPECT_FALSE(AttachmentActions::Save(nullptr, ""));
    EXPECT_EQ(asked.size(), 3);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(AttachActions, TheSaveDialogProposesTheNameAndAsksBeforeReplacing)
{
    AttachmentActions::SetSaveChooser({});
    const QString target = QFile::decodeName(dir.file("copy.pdf").c_str());
    ModalRunner::SetHook([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (files == nullptr)
            return int(QDialog::Rejected);
        EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(files->testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(files->nameFilters(), QStringList{"All Files (*)"});
        EXPECT_EQ(files->selectedFiles().value(0).section(u'/', -1), "report.pdf");
        files->selectFile(target);
        return int(QDialog::Accepted);
    });
    EXPECT_TRUE(AttachmentActions::Save(nullptr, source));
    EXPECT_EQ(TempDir::Read(dir.file("copy.pdf")), "contents");
}

TEST_F(AttachActions, OpenHandsThePathToTheDesktopAndReportsARefusal)
{
    AttachmentActions::Open(nullptr, "");
    AttachmentActions::Open(nullptr, source);
    EXPECT_EQ(opened, QStringList{QFile::decodeName(source.c_str())});
    EXPECT_TRUE(boxes.empty());
    openWorks = false;
    AttachmentActions::Open(nullptr, source);
    EXPECT_EQ(boxes.size(), 1u);
}

} // namespace
