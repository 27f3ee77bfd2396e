// The real boxes the program shows: which window owns each (closing a box gives the focus back to its owner) and
// whether the box shows its title and its prompt whole.

#include "core/Ui.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Room a title bar needs besides the title: at least the close button and the window's icon.
constexpr int kTitleBarButtons = 100;

// Looks at the box the Ui opens while it is shown, then closes it.
void whileShown(const std::function<void(QDialog*)>& look) {
    QTimer::singleShot(0, [look] {
        QPointer<QDialog> box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(box.data()));
        look(box.data());
        if (box) box->reject();
    });
}

int titleTextWidth(const QWidget* box) {
    return QFontMetrics(box->font()).horizontalAdvance(box->windowTitle());
}

} // namespace

TEST(QtUiBoxes, ABoxBelongsToTheWindowTheNurseWorksIn) {
    QMainWindow main;
    QtUi qtUi;
    Ui& ui = qtUi;
    ui.setParentWindow(&main);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    // A dialog of its own (a key-in dialog) is active: its boxes are its own, so focus returns to it.
    QDialog dialog(&main);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }));
    QWidget* owner = nullptr;
    whileShown([&](QDialog* box) { owner = box->parentWidget(); });
    ui.message(QStringLiteral("P02 須為 0 到 5"));
    EXPECT_EQ(owner, &dialog);
    whileShown([&](QDialog* box) { owner = box->parentWidget(); });
    ui.input(QStringLiteral("請輸入完整的員工編號"), QStringLiteral("使用人事資料查詢"));
    EXPECT_EQ(owner, &dialog);

    // A box asked from within a box belongs to the box in front.
    QWidget* outer = nullptr;
    QWidget* inner = nullptr;
    whileShown([&](QDialog* box) {
        outer = box;
        whileShown([&](QDialog* second) { inner = second->parentWidget(); });
        ui.message(QStringLiteral("第二個訊息"));
    });
    ui.message(QStringLiteral("第一個訊息"));
    EXPECT_EQ(inner, outer);

    // With no window of the program active, the main window owns the box.
    dialog.hide();
    main.hide();
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeWindow() == nullptr; }));
    whileShown([&](QDialog* box) { owner = box->parentWidget(); });
    ui.message(QStringLiteral("完成"));
    EXPECT_EQ(owner, &main);
}

TEST(QtUiBoxes, BoxesShowTheirTitlesAndPromptsWhole) {
    QtUi qtUi;
    Ui& ui = qtUi;
    // Short texts under long titles: the boxes' width comes from the title alone.
    for (const QString& title : {QStringLiteral("母保個案建檔，1/6"), QStringLiteral("找不到指定之員工編號"),
                                 QStringLiteral("年度代碼、健檢與過勞問卷_現有筆數")}) {
        SCOPED_TRACE(title.toStdString());
        int width = 0;
        int needed = 0;
        whileShown([&](QDialog* box) {
            width = box->width();
            needed = titleTextWidth(box) + kTitleBarButtons;
        });
        ui.message(QStringLiteral("完成"), title);
        EXPECT_GE(width, needed) << "message box";
        whileShown([&](QDialog* box) {
            width = box->width();
            needed = titleTextWidth(box) + kTitleBarButtons;
        });
        ui.input(QStringLiteral("員工編號"), title, QStringLiteral("A123"));
        EXPECT_GE(width, needed) << "input box";
    }

    // The six boxes of a new maternity case show their prompts whole.
    for (const QString& prompt :
         {QStringLiteral("個案姓名"), QStringLiteral("出生年月日 (西元年 YYYY/MM/DD)"), QStringLiteral("員工編號"),
          QStringLiteral("身份 ID"), QStringLiteral("聯絡電話"), QStringLiteral("備註說明")}) {
        SCOPED_TRACE(prompt.toStdString());
        int shown = 0;
        int needed = 0;
        whileShown([&](QDialog* box) {
            const auto labels = box->findChildren<QLabel*>();
            for (const QLabel* label : labels)
                if (label->text() == prompt) {
                    shown = label->width();
                    needed = label->sizeHint().width();
                }
        });
        ui.input(prompt, QStringLiteral("母保個案建檔，2/6"), QStringLiteral("1990/01/01"));
        EXPECT_GT(needed, 0);
        EXPECT_GE(shown, needed);
    }
}
