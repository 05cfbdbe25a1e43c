#include "view/CAttachFileList.h"

#include "board/AttachmentFiles.h"
#include "core/FileCopy.h"
#include "core/FilePath.h"
#include "board/BoardLog.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStyle>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr int kIconSide = 32;
constexpr int kGridWidth = 80;
constexpr int kGridTextLines = 2;
constexpr int kGridPadding = 8;
constexpr int64_t kKilobyte = 1024;
constexpr const char* kCopyFailed = "添付ファイルをコピーできません。\n%1\n%2";
constexpr const char* kNotRegularFile = "通常のファイルではありません。";
QIcon BlankFileIcon()
{
    QPixmap pixmap(kIconSide, kIconSide);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.drawRect(0, 0, kIconSide - 1, kIconSide - 1);
    return QIcon(pixmap);
}

// By the name's extension, as file managers do; the contents of files on a
// shared folder are not read just to draw the list.
QIcon FileTypeIcon(const QString& fileName, const QStyle* style)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = style->standardIcon(QStyle::SP_FileIcon);
    if (icon.isNull())
        icon = BlankFileIcon();
    return icon;
}

// The member's words for a failed copy, naming the side that failed.
QString CopyFailureText(const Status& failure)
{
    const QString reason = failure.code() == QuorlError::NotRegularFile
                               ? QString::fromUtf8(kNotRegularFile)
                               : QString::fromLocal8Bit(failure.code().message());
    return QString::fromUtf8(kCopyFailed).arg(QFile::decodeName(failure.subject().c_str()), reason);
}

// Shows one step per started kilobyte of the file, from where the bar stood.
class BlockProgress
{
public:
    explicit BlockProgress(QProgressBar* bar)
        : bar_(bar), start_(bar == nullptr ? 0 : std::max(bar->value(), bar->minimum()))
    {
    }
    void Copied(int64_t bytes)
    {
        if (bar_ == nullptr)
            return;
        const int64_t value = start_ + (bytes + kKilobyte - 1) / kKilobyte;
        // Qt ignores a value beyond the maximum; the bar then stays full.
        bar_->setValue(static_cast<int>(std::min<int64_t>(value, bar_->maximum())));
    }

private:
    QProgressBar* bar_;
    int64_t start_;
};

} // namespace

CAttachFileList::CAttachFileList(QWidget* parent) : QListWidget(parent)
{
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kIconSide, kIconSide));
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setDragEnabled(false);
    setAcceptDrops(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    UpdateGrid();
}

void CAttachFileList::UpdateGrid()
{
    setGridSize(QSize(kGridWidth, kIconSide + kGridTextLines * fontMetrics().lineSpacing() + kGridPadding));
}

void CAttachFileList::changeEvent(QEvent* event)
{
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateGrid();
}

void CAttachFileList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void CAttachFileList::LoadFolder(const std::string& folder)
{
    folder_ = folder;
    clear();
    records_ = AttachmentFiles::ListStored(folder);
    for (size_t i = 0; i < records_.size(); ++i)
        AppendRow(static_cast<int>(i));
}

void CAttachFileList::AddFile(const std::string& path)
{
    records_.push_back(AttachmentFiles::ToAdd(path));
    AppendRow(static_cast<int>(records_.size() - 1));
}

void CAttachFileList::AppendRow(int record)
{
    const QString name = QFile::decodeName(FilePath::BaseNameOf(records_[record].path).c_str());
    auto* item = new QListWidgetItem(FileTypeIcon(name, style()), name);
    item->setData(Qt::UserRole, record);
    item->setToolTip(name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    addItem(item);
}

void CAttachFileList::RemoveItem(int row)
{
    if (row < 0 || row >= count())
        return;
    const std::unique_ptr<QListWidgetItem> item(takeItem(row));
    const int record = item->data(Qt::UserRole).toInt();
    if (record >= 0 && record < static_cast<int>(records_.size()))
        records_[record].flags |= AttachRecord::kRemoved;
}

std::string CAttachFileList::RecordPathOf(int row) const
{
    const QListWidgetItem* shown = item(row);
    if (shown == nullptr)
        return {};
    const int record = shown->data(Qt::UserRole).toInt();
    if (record < 0 || record >= static_cast<int>(records_.size()))
        return {};
    return records_[record].path;
}

bool CAttachFileList::CountKept(int* count) const
{
    const auto kept = std::count_if(records_.begin(), records_.end(),
                                    [](const AttachRecord& r) { return (r.flags & AttachRecord::kRemoved) == 0; });
    if (count != nullptr)
        *count = static_cast<int>(kept);
    return kept > 0;
}

int64_t CAttachFileList::TotalSize() const
{
    int64_t total = 0;
    for (const AttachRecord& record : records_) {
        if ((record.flags & AttachRecord::kRemoved) == 0)
            total += record.size;
    }
    return total;
}

bool CAttachFileList::Commit(QProgressBar* bar, QString* error)
{
    if (records_.empty() || folder_.empty())
        return true;
    QElapsedTimer timer;
    timer.start();
    if (bar != nullptr) {
        const int64_t total = TotalSize();
        const int64_t maximum = total >= kKilobyte ? std::min<int64_t>(total / kKilobyte, INT_MAX) : 1;
        bar->setRange(0, static_cast<int>(maximum));
        bar->setValue(0);
    }
    FilePath::MakeFolders(folder_);

    std::optional<BlockProgress> progress;
    int shownCopy = -1;
    const AttachmentFiles::CommitResult result =
        AttachmentFiles::Commit(folder_, records_, [&](int copy, int64_t copied) {
            if (copy != shownCopy)
                progress.emplace(bar);
            shownCopy = copy;
            progress->Copied(copied);
        });
    if (!result.ok()) {
        const QString failure = CopyFailureText(result.failure);
        qCInfo(lcBoard).noquote() << "attachment commit stopped after" << result.copied << "copies:"
                                  << QString(failure).replace(u'\n', u' ');
        if (error != nullptr)
            *error = failure;
        return false;
    }
    qCInfo(lcBoard).noquote() << "attachments committed to" << QFile::decodeName(folder_.c_str()) << ":"
                              << result.copied << "copied," << result.deleted << "deleted in" << timer.elapsed()
                              << "ms";
    return true;
}

bool CAttachFileList::CopyFileBlocks(const std::string& source, const std::string& destination, QProgressBar* bar,
                                     QString* error)
{
    BlockProgress progress(bar);
    const Status copied =
        FileCopy::Copy(source, destination, [&progress](int64_t copied) { progress.Copied(copied); });
    if (!copied.ok() && error != nullptr)
        *error = CopyFailureText(copied);
    return copied.ok();
}
