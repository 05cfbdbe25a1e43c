#pragma once

#include "core/FileCopy.h"

#include <QListWidget>

#include <cstdint>
#include <string>
#include <vector>

class QProgressBar;

struct AttachRecord
{
    uint32_t flags = 0;
    int64_t size = 0;
    std::string path; // file-system path
};

// The attached files of one message as large icons with their names.
//
// Every file the list was told about keeps a record, in the order they came;
// a row shows one record (its index is in the item's Qt::UserRole), so rows
// can be removed without disturbing the records of the others. Commit brings
// the attachment folder in line with the records.
class CAttachFileList : public QListWidget
{
    Q_OBJECT
public:
    static constexpr uint32_t kStored = 0x01;
    static constexpr uint32_t kRemoved = 0x10;
    // Copies in progress live under this name in the attachment folder until
    // complete; listings never show them.
    static constexpr const char* kCopyPrefix = FileCopy::kCopyPrefix;

    explicit CAttachFileList(QWidget* parent = nullptr);

    // Lists the regular files directly in the folder, and symbolic links to
    // regular files, as stored records. Sub-folders, links to them, dangling
    // links and special files are not attachments.
    void LoadFolder(const std::string& folder);
    void SetFolder(const std::string& folder) { folder_ = folder; }
    const std::string& Folder() const { return folder_; }
    void AddFile(const std::string& path);
    void RemoveItem(int row);
    bool CountKept(int* count = nullptr) const;
    int64_t TotalSize() const;
    // Creates the folder, copies the added files that are kept into it and
    // deletes the stored files that were removed. Stops at the first file that
    // cannot be copied, with a text for the user in *error.
    bool Commit(QProgressBar* bar, QString* error = nullptr);
    void ClearList() { clear(); }
    const std::vector<AttachRecord>& Records() const { return records_; }
    int SelectionMarkRow() const { return currentRow(); }
    std::string RecordPathOf(int row) const;

    // Advances the bar by one per started kilobyte copied. The destination is
    // replaced only once the copy is complete.
    static bool CopyFileBlocks(const std::string& source, const std::string& destination, QProgressBar* bar,
                               QString* error);

signals:
    void deletePressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void AppendRow(int record);
    void UpdateGrid();

    std::vector<AttachRecord> records_;
    std::string folder_;
};
