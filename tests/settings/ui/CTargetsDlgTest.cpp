#include "settings/ui/CTargetsDlg.h"

#include "support/Child.h"
#include "support/RecordedBoxes.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using Entries = std::vector<std::string>;

// Enter in the entry adds what was typed; a refused entry is named and stays
// to be corrected while the good ones are added; duplicates are not.
TEST(TargetsWindow, EnterAddsTheGoodEntriesARefusedOneStaysTypedAndRemoveTakesTheSelected)
{
    RecordedBoxes boxes;
    CTargetsDlg dialog({"10.1.2.255"});
    dialog.show();
    auto* entry = Child<QLineEdit>(dialog, QStringLiteral("targetEntry"));
    entry->setFocus();
    QTest::keyClicks(entry, "pc-osaka, 10.1.2.300, 10.1.2.255");
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Enter in the entry does not close the window";
    EXPECT_EQ(dialog.Targets(), (Entries{"10.1.2.255", "pc-osaka"}));
    EXPECT_EQ(boxes.Texts(), Entries{"IPv4 のアドレスではありません: 10.1.2.300"});
    EXPECT_EQ(entry->text(), QStringLiteral("10.1.2.300"));
    QTest::keyClicks(entry, "PC-Osaka"); // over the selected refused text
    QTest::keyClick(entry, Qt::Key_Return);
    EXPECT_EQ(dialog.Targets(), (Entries{"10.1.2.255", "pc-osaka"})) << "a name is listed once, in any case";

    auto* list = Child<QListWidget>(dialog, QStringLiteral("targetList"));
    list->item(0)->setSelected(true);
    Child<QPushButton>(dialog, QStringLiteral("removeButton"))->click();
    EXPECT_EQ(dialog.Targets(), Entries{"pc-osaka"});

    // OK adds what is still typed, and stays open while it is refused.
    entry->setText(QStringLiteral("10.9.9.999"));
    Child<QPushButton>(dialog, QStringLiteral("ok"))->setFocus();
    QTest::keyClick(Child<QPushButton>(dialog, QStringLiteral("ok")), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    entry->setText(QStringLiteral("pc-nagoya"));
    QTest::keyClick(Child<QPushButton>(dialog, QStringLiteral("ok")), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Targets(), (Entries{"pc-osaka", "pc-nagoya"}));
}
