// The split-count dialog: the count it opens with and keeps for the run.

#include "app/FSplitCount.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

TEST(SplitCountDialogTest, KeepsTheCountConfirmedWithOk)
{
    struct TCase
    {
        const char* typed;
        bool ok; // OK, else Esc
        int kept;
    };
    const TCase cases[] = {{"40", true, 40}, {"3", false, 40}, {"1", true, 2},
                           {"", true, 2},    {"99", true, 99}, {"7", true, 7}};
    for (const TCase& c : cases) {
        const int before = TdlgSplitCount::LastSplitCount();
        TdlgSplitCount dialog;
        EXPECT_EQ(dialog.spinCount->value(), before);
        QLineEdit* edit = dialog.spinCount->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        if (c.ok)
            dialog.btnOK->click();
        else
            QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), c.ok ? QDialog::Accepted : QDialog::Rejected) << c.typed;
        EXPECT_EQ(TdlgSplitCount::LastSplitCount(), c.kept) << c.typed;
        if (c.ok) {
            EXPECT_EQ(dialog.Count(), c.kept);
        }
    }
}

TEST(SplitCountDialogTest, TextsOutsideTheRangeTakeTheNearestBound)
{
    for (const auto& [text, count] : {std::pair{"0", 2}, std::pair{"-5", 2}, std::pair{"abc", 2},
                                      std::pair{"150", 99}, std::pair{"99999999999", 99}, std::pair{" 12 ", 12}})
        EXPECT_EQ(TdlgSplitCount::CountFromText(QString::fromLatin1(text)), count) << text;
}
