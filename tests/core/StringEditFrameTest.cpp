// The one-line editor StringFrame: its widgets, what OK hands on (trimmed, "-" for nothing), Cancel, a second edit
// replacing the pending one, and a failing OK that keeps the text.

#include "core/StringEditFrame.h"
#include "common/TestProgram.h"
#include "core/Guard.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(StringEditValue, TrimmedAndADashForNothing) {
    const struct {
        const char* typed;
        const char* value;
    } cases[] = {{"0912", "0912"}, {"  a b  ", "a b"}, {"", "-"}, {"   ", "-"}, {"\t\n", "-"}, {"-", "-"}};
    for (const auto& c : cases)
        EXPECT_EQ(stringEditValue(QString::fromUtf8(c.typed)), QString::fromUtf8(c.value)) << c.typed;
}

TEST(StringEditFrame, OkHandsOnTheValueCancelNothing) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    EXPECT_FALSE(w.StringFrame->isVisible());
    QStringList stored;
    ShowStringEditFrame(w, "編輯_測試", "舊值", [&](const QString& v) { stored << "first " + v; });
    auto* text = tp.find<QLineEdit>("StringText");
    auto* ok = tp.find<QPushButton>("StringOKButton");
    auto* cancel = tp.find<QPushButton>("StringCancelButton");
    ASSERT_TRUE(text && ok && cancel);
    EXPECT_TRUE(w.StringFrame->isVisible());
    EXPECT_EQ(tp.find<QLabel>("StringFrameCaption")->text(), "編輯_測試");
    EXPECT_EQ(text->text(), "舊值");
    // A third of the window's inner area, Cancel to the right of OK.
    EXPECT_NEAR(w.StringFrame->width(), w.centralWidget()->width() / 3, 2);
    EXPECT_GT(cancel->x(), ok->x() + ok->width());

    // Cancel runs nothing, and the pending edit is gone.
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_FALSE(w.StringFrame->isVisible());
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_TRUE(stored.isEmpty());

    // A second edit replaces the first; OK hands on the trimmed text or "-".
    ShowStringEditFrame(w, "a", "x", [&](const QString& v) { stored << "first " + v; });
    ShowStringEditFrame(w, "b", "", [&](const QString& v) { stored << "second " + v; });
    EXPECT_EQ(text->text(), "");
    text->setText("  新值 ");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(w.StringFrame->isVisible());
    ShowStringEditFrame(w, "c", "x", [&](const QString& v) { stored << "third " + v; });
    text->clear();
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(stored, (QStringList{"second 新值", "third -"}));
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());
}

TEST(StringEditFrame, AFailingOkKeepsTheEditorAndItsText) {
    TestProgram tp(false);
    MainForm& w = tp.window();
    int tries = 0;
    ShowStringEditFrame(w, "編輯", "值", [&](const QString&) {
        if (++tries == 1) throw DbError("database is locked", "UPDATE");
    });
    auto* ok = tp.find<QPushButton>("StringOKButton");
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{databaseErrorText("編輯", "database is locked")});
    EXPECT_EQ(tp.ui().shown.last().icon, Ui::Icon::Critical);
    EXPECT_TRUE(w.StringFrame->isVisible());
    EXPECT_EQ(tp.find<QLineEdit>("StringText")->text(), "值");
    // The nurse tries again.
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(tries, 2);
    EXPECT_FALSE(w.StringFrame->isVisible());
}
