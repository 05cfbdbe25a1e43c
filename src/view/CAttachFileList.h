#pragma once

#include "board/AttachRecord.h"

#include <QListWidget>

#include <cstdint>
#include <string>
#include <vector>

class QProgressBar;

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
    explicit CAttachFileList(QWidget* parent = nullptr);

    // Shows the attachments stored in the folder (AttachmentFiles::ListStored).
    void LoadFolder(const std::string& folder);
    void SetFolder(const std::string& folder) { folder_ = folder; }
    const std::string& Folder() const { return folder_; }
    void AddFile(const std::string& path);
    void RemoveItem(int row);
    bool CountKept(int* count = nullptr) const;
    int64_t TotalSize() const;
    // Creates the folder and brings it in line with the records
    // (AttachmentFiles::Commit), the bar showing the copies. Stops at the
    // first file that cannot be copied, with a text for the user in *error.
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
