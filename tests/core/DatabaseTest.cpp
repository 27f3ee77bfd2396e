// The database layer and the start-up schema on a fresh temporary program folder.

#include "common/TestProgram.h"
#include "core/Helpers.h"
#include "core/Schema.h"
#include "core/Startup.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

TEST(Schema, StartUpOnAnEmptyFolderCreatesEveryTableAndColumn) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    EXPECT_TRUE(QFile::exists(tp.folder() + "/DataBase/TolvarenDB.sqlite"));
    for (const TableDef& t : schemaTables()) {
        ASSERT_TRUE(tp.db().tableExists(t.name)) << t.name.toStdString();
        QStringList expected;
        for (const auto& c : t.columns)
            expected.append(c.name);
        EXPECT_EQ(tp.db().columns(t.name), expected) << t.name.toStdString();
    }
    // Column order matters where lists show "all columns in table order".
    EXPECT_EQ(
        tp.db().columns("EMPL").join(","),
        QStringLiteral("姓名,性別,出生年月日,身份ID,員工編號,部門中文名稱,到職日,作業別,職稱,備註,手機號碼,電子郵件"));
    EXPECT_EQ(tp.db().columns("MultipleLevel").join(","),
              QStringLiteral("項目名稱,性別,Level_0,Level_1,Level_2,Level_3,Level_4"));
    // The maternity assessment tables belong to their subsystem, which adds them (tests/maternity).
    EXPECT_FALSE(tp.db().tableExists("MHPT1"));
    // Memo columns keep leading zeros: they are TEXT, not NUMERIC.
    tp.db().exec("INSERT INTO PersonalNMQ (XID, Q016) VALUES ('x', '0123')");
    EXPECT_EQ(tp.db().scalar("SELECT typeof(Q016) FROM PersonalNMQ").toString(), QStringLiteral("text"));
}

TEST(Schema, ShippedCodeTablesAreSeededOnce) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM ListOHS").toInt(), 14);
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM NursingCode").toInt(), 45);
    // Categories A, B, C, D, X, Y; Y the occupational injuries; every code names its work item.
    EXPECT_EQ(tp.db()
                  .scalar("SELECT group_concat(l, '') FROM (SELECT DISTINCT substr(MainCode,1,1) AS l FROM "
                          "NursingCode ORDER BY l)")
                  .toString(),
              QStringLiteral("ABCDXY"));
    EXPECT_EQ(tp.db().scalar("SELECT DISTINCT Type FROM NursingCode WHERE MainCode LIKE 'Y%'").toString(),
              QStringLiteral("職傷意外"));
    EXPECT_EQ(tp.db()
                  .scalar("SELECT count(*) FROM NursingCode n LEFT JOIN ListOHS o ON o.健康服務工作要項 = "
                          "n.健康服務工作要項 WHERE o.xAutoNumber IS NULL")
                  .toInt(),
              0);
    EXPECT_EQ(tp.db().scalar("SELECT MainCode FROM ListOHS ORDER BY xAutoNumber LIMIT 1").toString(),
              QStringLiteral("臨場健康服務_001"));
    // A second start does not seed again.
    EXPECT_NO_THROW(EnsureDatabaseSchema(tp.db(), tp.program().schema));
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM NursingCode").toInt(), 45);
}

TEST(Schema, StartUpOnAnOlderDatabaseKeepsRowsAndAddsWhatIsMissing) {
    TestProgram tp(false);
    QDir().mkpath(tp.folder() + "/DataBase");
    {
        Database old;
        ASSERT_TRUE(old.open(tp.folder() + "/DataBase/TolvarenDB.sqlite"));
        // An older overwork table without the later work-pattern column, with one row.
        old.exec("CREATE TABLE PersonalBurnOut (XID VARCHAR(50), 員工編號 VARCHAR(50), 年度代碼 VARCHAR(50), "
                 "I_Score VARCHAR(50), 工作負荷等級 VARCHAR(50))");
        old.exec("INSERT INTO PersonalBurnOut VALUES ('112_A1', 'A1', '112', '55.0', '1')");
        old.exec("CREATE TABLE nursingcode (MainCode VARCHAR(50), Type VARCHAR(50), Note VARCHAR(255), "
                 "健康服務工作要項 VARCHAR(100))");
        old.exec("INSERT INTO nursingcode VALUES ('A01', '自訂', '自訂項目', '')");
    }
    ASSERT_TRUE(tp.start());
    EXPECT_TRUE(tp.db().fieldExists("PersonalBurnOut", "工作型態評估等級"));
    EXPECT_EQ(tp.db().scalar("SELECT I_Score FROM PersonalBurnOut WHERE XID = '112_A1'").toString(),
              QStringLiteral("55.0"));
    // A table that exists under another letter case is the same table: neither recreated nor seeded.
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM NursingCode").toInt(), 1);
    EXPECT_TRUE(tp.db().tableExists("EMPL"));
}

TEST(Schema, ATableASubsystemAddsGetsItsColumnsAndSearchIndexes) {
    TestProgram tp(false);
    tp.program().schema.addTable({"Extra", {{"Key", "VARCHAR(50)"}, {"Note", "TEXT"}}, {}, {"Key", "Missing"}});
    ASSERT_TRUE(tp.start());
    EXPECT_EQ(tp.db().columns("Extra"), (QStringList{"Key", "Note"}));
    const auto indexes = [&tp] {
        return tp.db()
            .scalar("SELECT group_concat(name) FROM sqlite_master WHERE type = 'index' AND tbl_name = "
                    "'Extra'")
            .toString();
    };
    EXPECT_EQ(indexes(), "ix_Extra_Key") << "a column the table lacks gets no index";
    // A second start adds nothing twice.
    EXPECT_NO_THROW(EnsureDatabaseSchema(tp.db(), tp.program().schema));
    EXPECT_EQ(indexes(), "ix_Extra_Key");
}

TEST(Schema, AForeignFileIsRefusedWithAMessage) {
    TestProgram tp(false);
    QDir().mkpath(tp.folder() + "/DataBase");
    QFile f(tp.folder() + "/DataBase/TolvarenDB.sqlite");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    EXPECT_FALSE(StartProgram(tp.program()));
    ASSERT_EQ(tp.ui().messageTexts().size(), 1);
    EXPECT_TRUE(tp.ui().messageTexts().first().startsWith(QStringLiteral("無法開啟資料庫")));
    EXPECT_EQ(tp.ui().shown.first().icon, Ui::Icon::Critical);
}

TEST(DatabaseLayer, RecordsetsAreFullyReadWithTheStatementsAliases) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    auto& db = tp.db();
    db.execBatch("INSERT INTO EMPL (員工編號, 姓名) VALUES (?, ?)",
                 {{"A1", "王小明"}, {"A2", "O'Brien"}, {"A3", QVariant()}});
    Recordset rs = db.query("SELECT 員工編號 AS 編號, 姓名 AS 名字 FROM EMPL ORDER BY 員工編號");
    EXPECT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.fieldNames(), (QStringList{"編號", "名字"}));
    QStringList names;
    for (int r = 0; r < rs.recordCount(); ++r)
        names.append(rs.text(r, "名字"));
    EXPECT_EQ(names, (QStringList{"王小明", "O'Brien", ""})); // NULL reads as the empty text
    // An apostrophe in a bound value is data, not SQL.
    EXPECT_EQ(db.scalar("SELECT count(*) FROM EMPL WHERE 姓名 = ?", {"O'Brien"}).toInt(), 1);
    EXPECT_THROW(db.query("SELECT nonsense FROM nowhere"), DbError);
}

// A sheet written at save time keeps a copy of its recordset until then: the copy must not duplicate the records.
TEST(DatabaseLayer, ACopyOfARecordsetSharesItsRecords) {
    const Recordset rs({"a", "b"}, {{"1", "x"}, {"2", QVariant()}});
    const Recordset copy = rs;
    EXPECT_EQ(&copy.rows(), &rs.rows());
    EXPECT_EQ(copy.recordCount(), 2);
    EXPECT_EQ(copy.text(0, 1), "x");
}

TEST(DatabaseLayer, BatchesKeepEveryValueTypeAndFailWhole) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    auto& db = tp.db();
    db.exec("CREATE TABLE t (a VARCHAR(50), b REAL, c INTEGER, d TEXT)");
    db.execBatch(
        "INSERT INTO t VALUES (?, ?, ?, ?)",
        {{"0123", 1.5, 7, QVariant()}, {"陳美", QVariant(), qlonglong(1) << 40, true}, {"", -2.25, QVariant(), "x"}});
    const Recordset rs = db.query("SELECT a, typeof(a), b, c, typeof(c), d, typeof(d) FROM t ORDER BY rowid");
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.text(0, 0), "0123") << "text stays text";
    EXPECT_EQ(rs.text(0, 1), "text");
    EXPECT_EQ(rs.text(0, 2), "1.5");
    EXPECT_EQ(rs.text(0, 3), "7");
    EXPECT_TRUE(rs.isNull(0, 5));
    EXPECT_EQ(rs.text(1, 0), "陳美");
    EXPECT_TRUE(rs.isNull(1, 2));
    EXPECT_EQ(rs.text(1, 3), "1099511627776");
    EXPECT_EQ(rs.text(1, 5), "1");
    EXPECT_EQ(rs.text(2, 0), "");
    EXPECT_FALSE(rs.isNull(2, 0)) << "the empty text is not NULL";
    EXPECT_EQ(rs.text(2, 4), "null");
    // A row that fails (a NOT NULL column here) takes the whole batch back.
    db.exec("CREATE TABLE u (a TEXT NOT NULL)");
    EXPECT_THROW(db.execBatch("INSERT INTO u VALUES (?)", {{"a"}, {"b"}, {QVariant()}}), DbError);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM u").toInt(), 0);
    EXPECT_EQ(db.transactionDepth(), 0);
}

TEST(DatabaseLayer, TransactionsRollBackUnlessCommittedAndNest) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    auto& db = tp.db();
    {
        Transaction t(db);
        db.exec("INSERT INTO EMPL (員工編號) VALUES ('X1')");
    } // not committed
    EXPECT_EQ(db.scalar("SELECT count(*) FROM EMPL").toInt(), 0);
    {
        Transaction outer(db);
        db.exec("INSERT INTO EMPL (員工編號) VALUES ('X2')");
        {
            Transaction inner(db);
            db.exec("INSERT INTO EMPL (員工編號) VALUES ('X3')");
        } // the inner part is undone, the outer goes on
        outer.commit();
    }
    EXPECT_EQ(db.scalar("SELECT group_concat(員工編號) FROM EMPL").toString(), QStringLiteral("X2"));
    // A failing batch leaves nothing behind.
    EXPECT_THROW(db.execBatch("INSERT INTO EMPL (員工編號, nosuch) VALUES (?, ?)", {{"Y1", "a"}}), DbError);
    EXPECT_THROW(
        {
            Transaction t(db);
            db.exec("INSERT INTO EMPL (員工編號) VALUES ('Y2')");
            db.exec("INSERT INTO nowhere VALUES (1)");
            t.commit();
        },
        DbError);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM EMPL").toInt(), 1);
    EXPECT_EQ(db.transactionDepth(), 0);
}

TEST(DatabaseLayer, NamesAndPaths) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    EXPECT_TRUE(tp.db().tableExists("empl"));
    EXPECT_TRUE(tp.db().tableExists("NURSINGBOOK"));
    EXPECT_FALSE(tp.db().tableExists("EMP"));
    EXPECT_TRUE(FieldExists(tp.db(), "nursingbook", "serialx"));
    EXPECT_FALSE(FieldExists(tp.db(), "NursingBook", "Serial"));
    EXPECT_EQ(Database::quoteName("a\"b"), QStringLiteral("\"a\"\"b\""));
    EXPECT_TRUE(PathExists(tp.folder() + "/DataBase", PathKind::Folder));
    EXPECT_TRUE(PathExists(tp.folder() + "/DataBase/", PathKind::Folder));
    EXPECT_FALSE(PathExists(tp.folder() + "/DataBase", PathKind::File));
    EXPECT_TRUE(PathExists(tp.folder() + "/DataBase/TolvarenDB.sqlite", PathKind::File));
    EXPECT_FALSE(PathExists(tp.folder() + "/DataBase/TolvarenDB.sqlite", PathKind::Folder));
    EXPECT_FALSE(PathExists("", PathKind::File));
    EXPECT_EQ(likeEscape("50%_a\\"), QStringLiteral("50\\%\\_a\\\\"));
    EXPECT_EQ(likeContainsPattern("5%"), QStringLiteral("%5\\%%"));
    // Every character a file system refuses, control characters and DEL included, becomes "_"; CJK text stays.
    EXPECT_EQ(cleanFileNamePart(QStringLiteral("王/a\\b:c*d?e\"f<g>h|i\r\n\x7fj")),
              QStringLiteral("王_a_b_c_d_e_f_g_h_i___j"));
}

TEST(DatabaseLayer, ValuesAreStoredAndReadBackByType) {
    // What each kind of bound value is stored as, and what it reads back as through every way of reading.
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    auto& db = tp.db();
    db.exec("CREATE TABLE t (k INTEGER, v)");
    const QVariant null(QMetaType::fromType<QString>()); // as NULL reads
    struct Case {
        QVariant bound;
        const char* storedType;
        QVariant readBack;
        QString text; // as Recordset::text gives it
    };
    const Case cases[] = {
        {QVariant(), "null", null, ""},
        {QVariant(QMetaType::fromType<int>()), "null", null, ""},
        {QString(), "null", null, ""},
        {QString(""), "text", QString(""), ""}, // the empty text is not NULL
        {QStringLiteral("焊錫'x"), "text", QStringLiteral("焊錫'x"), QStringLiteral("焊錫'x")},
        {QStringLiteral("0123"), "text", QStringLiteral("0123"), "0123"},
        {42, "integer", qlonglong(42), "42"},
        {uint(4000000000u), "integer", qlonglong(4000000000), "4000000000"},
        {qlonglong(1) << 40, "integer", qlonglong(1) << 40, "1099511627776"},
        {true, "integer", qlonglong(1), "1"},
        {false, "integer", qlonglong(0), "0"},
        {2.5, "real", 2.5, "2.5"},
        {3.0, "real", 3.0, "3"}, // numbers in their shortest exact form
        {-2.25, "real", -2.25, "-2.25"},
        {QByteArray("\x01\x02", 2), "blob", QByteArray("\x01\x02", 2), QStringLiteral("\x01\x02")},
        {QByteArray(), "null", null, ""},
        {QDate(2024, 1, 2), "text", QStringLiteral("2024-01-02"), "2024-01-02"},
        {QDate(), "null", null, ""},
        {QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7, 89)), "text", QStringLiteral("2024-03-04T05:06:07.089"),
         "2024-03-04T05:06:07.089"},
        {QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7), Qt::UTC), "text", QStringLiteral("2024-03-04T05:06:07.000Z"),
         "2024-03-04T05:06:07.000Z"},
        {QDateTime(), "null", null, ""},
        {QTime(1, 2, 3, 4), "text", QStringLiteral("01:02:03.004"), "01:02:03.004"},
    };
    const int n = int(std::size(cases));
    // One half through exec, the other through a batch.
    std::vector<QVariantList> batch;
    for (int i = 0; i < n; ++i) {
        db.exec("INSERT INTO t (k, v) VALUES (?, ?)", {i, cases[i].bound});
        batch.push_back({100 + i, cases[i].bound});
    }
    db.execBatch("INSERT INTO t (k, v) VALUES (?, ?)", batch);
    const Recordset rs = db.query("SELECT k % 100 AS k, typeof(v) AS type, v FROM t ORDER BY k / 100, k");
    ASSERT_EQ(rs.recordCount(), 2 * n);
    EXPECT_EQ(rs.fieldNames(), (QStringList{"k", "type", "v"}));
    for (int r = 0; r < rs.recordCount(); ++r) {
        const Case& c = cases[r % n];
        SCOPED_TRACE(r);
        EXPECT_EQ(rs.text(r, 1), c.storedType);
        EXPECT_EQ(rs.value(r, 2).typeId(), c.readBack.typeId());
        EXPECT_EQ(rs.isNull(r, 2), c.readBack.isNull());
        EXPECT_EQ(rs.value(r, 2), c.readBack);
        EXPECT_EQ(rs.text(r, 2), c.text);
        const QVariant single = db.scalar("SELECT v FROM t WHERE k = ?", {r < n ? r : 100 + r - n});
        EXPECT_EQ(single.typeId(), c.readBack.typeId());
        EXPECT_EQ(single, c.readBack);
    }
    // Rows handed over one by one read as the recordset's.
    int r = 0;
    db.forEachRow("SELECT k, typeof(v) AS type, v FROM t WHERE k < ? ORDER BY k", {100}, [&](const RowView& row) {
        SCOPED_TRACE(r);
        ASSERT_LT(r, n);
        EXPECT_EQ(row.columnCount(), 3);
        EXPECT_EQ(row.value(2).typeId(), rs.value(r, 2).typeId());
        EXPECT_EQ(row.value(2), rs.value(r, 2));
        EXPECT_EQ(row.isNull(2), rs.isNull(r, 2));
        EXPECT_EQ(row.text(2), rs.text(r, 2));
        if (rs.text(r, 1) != "real") { // SQLite renders 2.5 as "2.5" too, but 3.0 as "3.0"
            EXPECT_EQ(row.utf8(2).toByteArray(), rs.text(r, 2).toUtf8());
        }
        ++r;
    });
    EXPECT_EQ(r, n);
    EXPECT_THROW(db.forEachRow("SELECT nonsense FROM nowhere", {}, [](const RowView&) {}), DbError);
    // A failing row leaves nothing of the batch.
    db.exec("CREATE TABLE u (k INTEGER UNIQUE)");
    EXPECT_THROW(db.execBatch("INSERT INTO u (k) VALUES (?)", {{1}, {2}, {1}}), DbError);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM u").toInt(), 0);
    try {
        db.query("SELECT nonsense FROM nowhere WHERE x = ?", {1});
        ADD_FAILURE() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), "no such table: nowhere") << "SQLite's own words";
    }
    // Statements that are not one statement with one value per parameter are refused, never half run.
    EXPECT_THROW(db.query(""), DbError);
    EXPECT_THROW(db.query("SELECT 1; DELETE FROM t"), DbError);
    EXPECT_THROW(db.query("SELECT ?", {1, 2}), DbError);
    EXPECT_THROW(db.exec("DELETE FROM t WHERE k = ?"), DbError);
    EXPECT_EQ(db.scalar("SELECT count(*) FROM t").toInt(), 2 * n);
}
