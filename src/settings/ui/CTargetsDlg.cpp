#include "settings/ui/CTargetsDlg.h"

#include "settings/ExtraTargets.h"
#include "ui/MessageBoxService.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kCaption = "送信先の追加";
constexpr const char* kExplanation =
    "ほかのサブネットのメンバーにも、ブロードキャストを送ります。\n"
    "ブロードキャストアドレス (10.1.2.255)、アドレス、ホスト名を追加して下さい。";

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

QPushButton* Button(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(Text(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

} // namespace

CTargetsDlg::CTargetsDlg(const std::vector<std::string>& targets, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this)), entry_(new QLineEdit(this))
{
    setWindowTitle(Text(kCaption));
    list_->setObjectName(QStringLiteral("targetList"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    entry_->setObjectName(QStringLiteral("targetEntry"));
    entry_->setPlaceholderText(QStringLiteral("10.1.2.255, pc-osaka"));
    for (const std::string& target : targets)
        list_->addItem(QString::fromStdString(target));

    QPushButton* add = Button("追加(&A)", "addButton", this);
    QPushButton* remove = Button("削除(&D)", "removeButton", this);
    QPushButton* ok = Button("OK", "ok", this);
    QPushButton* cancel = Button("キャンセル", "cancel", this);
    // While an entry is typed, Enter adds it; on OK or キャンセル it presses that.
    add->setDefault(true);
    connect(add, &QPushButton::clicked, this, &CTargetsDlg::AddTyped);
    connect(remove, &QPushButton::clicked, this, &CTargetsDlg::RemoveSelected);
    // What is still typed counts as added: OK is no way to lose it.
    connect(ok, &QPushButton::clicked, this, [this] {
        if (entry_->text().trimmed().isEmpty() || AddTyped())
            accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* entryRow = new QHBoxLayout;
    entryRow->addWidget(entry_, 1);
    entryRow->addWidget(add);
    entryRow->addWidget(remove);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(Text(kExplanation), this));
    column->addWidget(list_, 1);
    column->addLayout(entryRow);
    column->addLayout(buttons);
    entry_->setFocus();
}

std::vector<std::string> CTargetsDlg::Targets() const
{
    std::vector<std::string> targets;
    for (int row = 0; row < list_->count(); ++row)
        targets.push_back(list_->item(row)->text().toStdString());
    return targets;
}

bool CTargetsDlg::AddTyped()
{
    std::vector<std::string> typed;
    const ExtraTargets::Refusal refusal = ExtraTargets::Parse(entry_->text().toStdString(), typed);
    std::vector<std::string> all = Targets();
    for (const std::string& target : typed) {
        if (ExtraTargets::Contains(all, target))
            continue;
        if (all.size() >= ExtraTargets::kMaxEntries) {
            MessageBoxService::Show(this, QString::fromStdString(ExtraTargets::Explain({ExtraTargets::Problem::TooMany, target})));
            return false;
        }
        all.push_back(target);
        list_->addItem(QString::fromStdString(target));
    }
    if (refusal) {
        MessageBoxService::Show(this, QString::fromStdString(ExtraTargets::Explain(refusal)));
        entry_->setText(QString::fromStdString(refusal.entry));
        entry_->selectAll();
    } else {
        entry_->clear();
    }
    entry_->setFocus();
    return !refusal;
}

void CTargetsDlg::RemoveSelected()
{
    for (QListWidgetItem* item : list_->selectedItems())
        delete item;
}
