// Handlers run guarded: an error inside one becomes a message box naming what failed, and the window stays usable.

#include "core/Guard.h"
#include "common/TestProgram.h"
#include "core/ExcelOutput.h"

#include <QAction>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(Guard, ErrorsBecomeMessageBoxesNamingWhatFailed) {
    struct Case {
        const char* name;
        std::function<void(Program&)> body;
        bool ran;
        QString title;
        QString text;
    };
    const std::vector<Case> cases = {
        {"nothing fails", [](Program&) {}, true, {}, {}},
        {"database error", [](Program& p) { p.DBConn.query("SELECT * FROM NoSuchTable"); }, false,
         QStringLiteral("資料庫錯誤"),
         QStringLiteral("「列印」無法完成, 資料庫回報:\r\n\r\nno such table: NoSuchTable")},
        {"other error", [](Program&) { throw std::runtime_error("disk on fire"); }, false, QStringLiteral("錯誤"),
         QStringLiteral("「列印」無法完成:\r\n\r\ndisk on fire")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram tp(false);
        ASSERT_TRUE(tp.start());
        EXPECT_EQ(runGuarded(tp.program(), QStringLiteral("列印"), [&] { c.body(tp.program()); }), c.ran);
        if (c.ran) {
            EXPECT_TRUE(tp.ui().shown.isEmpty());
            continue;
        }
        ASSERT_EQ(tp.ui().shown.size(), 1);
        EXPECT_EQ(tp.ui().shown.first().icon, Ui::Icon::Critical);
        EXPECT_EQ(tp.ui().shown.first().title, c.title);
        EXPECT_TRUE(tp.ui().shown.first().text.startsWith(c.text)) << tp.ui().shown.first().text.toStdString();
    }
}

TEST(Guard, AFailedActionLeavesNoTransactionOrWorkbookBehind) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    db.exec("CREATE TABLE Probe (x TEXT)");
    EXPECT_FALSE(runGuarded(tp.program(), QStringLiteral("匯出"), [&] {
        CreateExcelWorkbook(tp.program(), 1);
        db.begin();
        db.exec("INSERT INTO Probe (x) VALUES ('half')");
        db.exec("INSERT INTO NoSuchTable VALUES (1)");
    }));
    EXPECT_EQ(db.transactionDepth(), 0);
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(tp.program().excel, nullptr);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Probe").toInt(), 0);
    // The next action writes as usual.
    db.exec("INSERT INTO Probe (x) VALUES ('next')");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM Probe").toInt(), 1);
}

TEST(Guard, ConnectedSlotsGetTheSignalsArgumentsAndAreGuarded) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    QTreeWidget list;
    auto* item = new QTreeWidgetItem(&list, QStringList{QStringLiteral("甲")});
    QString clicked;
    connectGuarded(&list, &QTreeWidget::itemClicked, &list, tp.program(), QStringLiteral("選取"),
                   [&](QTreeWidgetItem* i, int column) {
                       clicked = i->text(column);
                       tp.db().query("SELECT * FROM NoSuchTable");
                   });
    emit list.itemClicked(item, 0);
    EXPECT_EQ(clicked, QStringLiteral("甲"));
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(tp.ui().messageTexts().first().startsWith(QStringLiteral("「選取」無法完成")));

    QAction action(QStringLiteral("列印(&P)"));
    connectGuarded(&action, tp.program(), [&] { tp.db().query("SELECT * FROM NoSuchTable"); });
    action.trigger();
    ASSERT_EQ(tp.ui().messageTexts().size(), 2);
    EXPECT_TRUE(tp.ui().messageTexts().last().startsWith(QStringLiteral("「列印(P)」無法完成")));
}

TEST(Guard, AFailedLoadStepIsSaidAndTheWindowStillLoads) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    MainForm form(tp.program());
    bool laterStepRan = false;
    form.addLoadStep(QStringLiteral("載入清單"), [&] { tp.db().query("SELECT * FROM NoSuchTable"); });
    form.addLoadStep([&] { laterStepRan = true; });
    form.Form_Load();
    EXPECT_TRUE(laterStepRan);
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(tp.ui().messageTexts().first().startsWith(QStringLiteral("「載入清單」無法完成")));
    EXPECT_EQ(form.windowTitle(), Program::caption());
}

TEST(Guard, AToolbarButtonWhoseHandlerFailsComesBackUp) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    MainForm form(tp.program());
    form.setToolbarHandler("MedicalDrug", [&](QAction*) { tp.db().query("SELECT * FROM NoSuchTable"); });
    QAction* button = form.toolbarButton("MedicalDrug");
    button->trigger();
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(tp.ui().messageTexts().first().startsWith(QStringLiteral("「醫藥品統計」無法完成")));
    EXPECT_FALSE(button->isChecked());
    for (const char* key : {"FindRS", "PersonalHealth", "ShowReport", "Exit"})
        EXPECT_TRUE(form.toolbarButton(key)->isEnabled()) << key;
}
