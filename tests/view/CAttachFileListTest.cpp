#include "view/AttachmentActions.h"
#include "view/CAttachFileList.h"

#include "core/FilePath.h"
#include "support/TempDir.h"
#include "ui/MessageBoxService.h"
#include "ui/UiEnvironment.h"
#include "ui/ModalRunner.h"

#include <QFileDialog>
#include <QIcon>
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

Names Entries(const std::string& folder)
{
    Names names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class AttachList : public ::testing::Test
{
protected:
    std::string Source(const std::string& name, size_t size, const std::string& sub = "src")
    {
        fs::create_directories(dir.file(sub));
        TempDir::Write(dir.file(sub + "/" + name), std::string(size, 'x'));
        return dir.file(sub + "/" + name);
    }
    std::string At(const std::string& name) const { return folder + "/" + name; }

    TempDir dir;
    std::string folder = dir.file("attach/pc01_20021201090507");
    CAttachFileList list;
    QProgressBar bar;
};

TEST_F(AttachList, LoadFolderListsFilesAndLinksToFilesAndRowsKeepTheirRecordsAcrossRemovals)
{
    constexpr int64_t kGiB = int64_t{1} << 30;
    const std::string sjisName = "\x83\x5C\x83\x74\x83\x67.txt"; // "ソフト.txt" in code page 932
    fs::create_directories(folder + "/sub");
    for (const char* name : {"a.txt", sjisName.c_str(), "sub/in", ".quorl-copy-1", "3g", "2g"})
        TempDir::Write(At(name), "abc");
    ASSERT_EQ(truncate(At("3g").c_str(), 3 * kGiB), 0); // sparse
    ASSERT_EQ(truncate(At("2g").c_str(), 2 * kGiB), 0);
    ASSERT_EQ(symlink(At("a.txt").c_str(), At("link.txt").c_str()), 0);
    ASSERT_EQ(symlink(folder.c_str(), At("dirlink").c_str()), 0);
    ASSERT_EQ(symlink(At("none").c_str(), At("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(At("fifo").c_str(), 0600), 0);
    list.AddFile(Source("earlier.txt", 1));
    list.LoadFolder(folder);
    list.AddFile(dir.file("src")); // a folder counts nothing
    EXPECT_EQ(list.TotalSize(), 5 * kGiB + 9);
    // Each row shows its own record's name and an icon.
    const auto shown = [this] {
        Names paths;
        for (int row = 0; row < list.count(); ++row) {
            const std::string& path = *paths.insert(list.RecordPathOf(row)).first;
            EXPECT_EQ(list.item(row)->text(), QFile::decodeName(FilePath::BaseNameOf(path).c_str()));
            EXPECT_FALSE(list.item(row)->icon().isNull());
        }
        return paths;
    };
    EXPECT_EQ(shown(), (Names{At("a.txt"), At(sjisName), At("link.txt"), At("3g"), At("2g"), dir.file("src")}));

    QSignalSpy deletes(&list, &CAttachFileList::deletePressed);
    list.setCurrentRow(1);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(deletes.count(), 1);
    EXPECT_EQ(list.count(), 6) << "the editor decides what Delete removes";
    for (int row : {1, 1, 1, 9, -1})
        list.RemoveItem(row);
    EXPECT_EQ(shown().size(), 3u);
    int kept = -1;
    EXPECT_TRUE(list.CountKept(&kept));
    EXPECT_EQ(kept, 3);
    while (list.count() > 0)
        list.RemoveItem(0);
    EXPECT_FALSE(list.CountKept());
    EXPECT_EQ(list.TotalSize(), 0);

    // A folder that is not there lists as empty but stays the one to fill.
    const std::string missing = dir.file("attach/pc01_20030101000000");
    list.LoadFolder(missing);
    EXPECT_TRUE(list.count() == 0 && list.Records().empty());
    list.AddFile(At(sjisName));
    ASSERT_TRUE(list.Commit(&bar));
    EXPECT_EQ(TempDir::Read(missing + "/" + sjisName), "abc");
}

TEST_F(AttachList, FileTypesHaveIconsOfTheirOwn)
{
    QIcon::setThemeName(QStringLiteral("hicolor")); // what Qt names under X without a desktop session
    UiEnvironment::EnsureIconTheme();
    const std::vector<std::string> names = {"a.txt", "b.pdf", "c.xlsx", "d.unknown-type"};
    for (const std::string& name : names)
        list.AddFile(Source(name, 1));
    for (int a = 0; a < list.count(); ++a)
        for (int b = a + 1; b < list.count(); ++b)
            EXPECT_NE(list.item(a)->icon().pixmap(32).toImage(), list.item(b)->icon().pixmap(32).toImage())
                << names[a] << " and " << names[b];
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
    list.AddFile(Source("same.txt", 3, "first"));
    list.AddFile(Source("same.txt", 7, "second"));
    list.AddFile(Source("gone.txt", 4));
    list.RemoveItem(list.count() - 1);
    ASSERT_TRUE(list.Commit(&bar));
    EXPECT_EQ(Entries(folder), (Names{"keep.txt", "again.txt", "same.txt"}));
    EXPECT_EQ(TempDir::Read(At("again.txt")), "again.txt");
    EXPECT_EQ(TempDir::Read(At("same.txt")), "xxxxxxx") << "the later copy replaces the earlier";

    // No records, or no folder: nothing is created and the bar is not touched.
    QProgressBar untouched;
    CAttachFileList fresh;
    fresh.SetFolder(dir.file("new"));
    EXPECT_TRUE(fresh.Commit(&untouched));
    fresh.SetFolder("");
    fresh.AddFile(Source("a.txt", 3));
    EXPECT_TRUE(fresh.Commit(&untouched));
    EXPECT_FALSE(fs::exists(dir.file("new")));
    EXPECT_EQ(untouched.value(), -1);
}

TEST_F(AttachList, TheBarAdvancesOncePerStartedKilobyteAndEndsFull)
{
    for (size_t size : {size_t{0}, size_t{1}, size_t{1024}, size_t{1025}, size_t{3 << 20} + 1}) {
        QProgressBar counter;
        counter.setRange(0, 100000);
        counter.setValue(7);
        const std::string source = Source("f" + std::to_string(size), size);
        ASSERT_TRUE(CAttachFileList::CopyFileBlocks(source, dir.file("f"), &counter, nullptr));
        EXPECT_EQ(counter.value(), 7 + static_cast<int>((size + 1023) / 1024)) << size;
    }
    // stored size, added sizes, the bar's maximum and final value
    const std::tuple<size_t, std::vector<size_t>, int, int> cases[] = {
        {0, {500}, 1, 1},                       // under a kilobyte the range is still 0..1
        {0, {1500, (2 << 20) + 1}, 2049, 2049}, // the second file overshoots the rounded-down total
        {4096, {1024}, 5, 1},                   // a kept stored file counts, but is not copied
    };
    for (const auto& [stored, added, maximum, value] : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        TempDir::Write(At("stored"), std::string(stored, 's'));
        list.LoadFolder(folder);
        for (size_t size : added)
            list.AddFile(Source("p" + std::to_string(size), size));
        bar.setValue(3);
        ASSERT_TRUE(list.Commit(&bar));
        EXPECT_EQ(bar.maximum(), maximum);
        EXPECT_EQ(bar.value(), value);
    }
}

TEST_F(AttachList, AFailedCopyStopsThereLeavesNoPartialFileAndNamesTheFailingSide)
{
    fs::create_directories(folder);
    TempDir::Write(At("big.bin"), "old");
    list.LoadFolder(folder);
    for (const std::string& path : {Source("first.txt", 5), Source("big.bin", 100000), Source("last.txt", 5)})
        list.AddFile(path);
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const struct rlimit tiny = {4096, old.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    QString error;
    const bool committed = list.Commit(&bar, &error);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    EXPECT_FALSE(committed);
    const QString cannotCopy = QString::fromUtf8("添付ファイルをコピーできません。\n");
    EXPECT_TRUE(error.startsWith(cannotCopy + QFile::decodeName(At("big.bin").c_str()) + "\n")) << error.toStdString();
    EXPECT_EQ(Entries(folder), (Names{"big.bin", "first.txt"})) << "stops at the failing file";
    EXPECT_EQ(TempDir::Read(At("big.bin")), "old");

    const std::string missing = dir.file("src/missing.txt");
    EXPECT_FALSE(CAttachFileList::CopyFileBlocks(missing, At("m"), nullptr, &error));
    EXPECT_TRUE(error.startsWith(cannotCopy + QFile::decodeName(missing.c_str()) + "\n")) << error.toStdString();
}

TEST(AttachActions, SaveAsksWhereAndCopiesOpenHandsThePathOnAndOnlyFailuresAreReported)
{
    TempDir dir;
    const std::string source = dir.file("report.pdf");
    TempDir::Write(source, "contents");
    TempDir::Write(dir.file("copy.pdf"), "old");
    std::vector<MessageBoxService::Request> boxes;
    MessageBoxService::SetResponder([&](const MessageBoxService::Request& request) {
        boxes.push_back(request);
        return MessageBoxService::AnswerOk;
    });
    QString chosen = QFile::decodeName(dir.file("copy.pdf").c_str());
    ModalRunner::SetHook([&](QDialog& dialog) {
        auto& files = dynamic_cast<QFileDialog&>(dialog);
        EXPECT_EQ(files.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_FALSE(files.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(files.selectedFiles().value(0).section(u'/', -1), "report.pdf");
        files.selectFile(chosen);
        return int(chosen.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
    EXPECT_TRUE(AttachmentActions::Save(nullptr, source));
    EXPECT_EQ(TempDir::Read(dir.file("copy.pdf")), "contents");
    chosen = QFile::decodeName(dir.file("copy.pdf/below.pdf").c_str());
    EXPECT_FALSE(AttachmentActions::Save(nullptr, source));
    EXPECT_EQ(boxes.size(), 1u); // no assertions here: the hooks must be reset below
    EXPECT_TRUE(!boxes.empty() && boxes[0].text.contains(chosen) &&
                boxes[0].icon == MessageBoxService::Icon::Exclamation);
    chosen.clear();
    EXPECT_FALSE(AttachmentActions::Save(nullptr, source));

    QStringList opened;
    bool openWorks = true;
    AttachmentActions::SetOpener([&](const QString& path) {
        opened << path;
        return openWorks;
    });
    AttachmentActions::Open(nullptr, "");
    AttachmentActions::Open(nullptr, source);
    EXPECT_EQ(opened, QStringList{QFile::decodeName(source.c_str())});
    openWorks = false;
    AttachmentActions::Open(nullptr, source);
    EXPECT_EQ(boxes.size(), 2u);
    AttachmentActions::SetOpener({});
    MessageBoxService::SetResponder({});
    ModalRunner::SetHook({});
}

} // namespace
