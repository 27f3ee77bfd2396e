// The log's personal-data correction from an attached personnel file.

#include "reports/LogCorrection.h"
#include "common/TestProgram.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace reports;

namespace {

// A personnel file of the outside system: EMPL with its own column set.
QString makeVardel(const QString& folder, const QString& columns = "EMPLNO, NAME, DepName, RealDepCode") {
    const QString path = folder + "/vardel.sqlite";
    Database v;
    EXPECT_TRUE(v.open(path));
    v.exec("CREATE TABLE EMPL (" + columns + ")");
    if (columns.contains("RealDepCode"))
        v.execBatch(
            "INSERT INTO EMPL (EMPLNO, NAME, DepName, RealDepCode) VALUES (?, ?, ?, ?)",
            {{"E1", "王大明", "製造部", "M10"}, {"E2", "李小華", "品保部", QVariant()}, {"", "空號", "x", "y"}});
    v.close();
    return path;
}

void seedLog(Database& db) {
    db.execBatch("INSERT INTO NursingBook (SerialX, 記錄日期, 員工編號, 人員姓名, 人員身份, 所屬部門) "
                 "VALUES (?, ?, ?, ?, ?, ?)",
                 {{"first", "2024/01/01", "E1", "舊名", "承攬商", "舊部"},
                  {"last", "2024/01/31", "E2", "舊名", "派遣", "舊部"},
                  {"before", "2023/12/31", "E1", "舊名", "承攬商", "舊部"},
                  {"after", "2024/02/01", "E1", "舊名", "承攬商", "舊部"},
                  {"stranger", "2024/01/15", "X9", "外人", "承攬商", "外部"},
                  {"blank", "2024/01/15", "", "無號", "承攬商", "外部"}});
}

QString row(Database& db, const QString& serial) {
    const Recordset rs =
        db.query("SELECT 人員身份, 人員姓名, 所屬部門 FROM NursingBook WHERE SerialX = ?", {QVariant(serial)});
    return rs.text(0, 0) + "|" + rs.text(0, 1) + "|" + rs.text(0, 2);
}

bool attached(Database& db, const QString& schema) {
    const Recordset rs = db.query("PRAGMA database_list");
    for (int r = 0; r < rs.recordCount(); ++r)
        if (rs.text(r, "name").compare(schema, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

TEST(LogCorrection, EntriesOfThePeriodTakeThePersonnelFilesData) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedLog(tp.db());
    const QString vardel = makeVardel(tp.folder());
    const LogCorrection done = correctLogPersonalData(tp.db(), vardel, "", {"2024/01/01", "2024/01/31"});
    EXPECT_TRUE(done.refusal.isEmpty()) << done.refusal.toStdString();
    EXPECT_EQ(done.corrected, 2);
    EXPECT_EQ(row(tp.db(), "first"), "員工|王大明|製造部_M10");
    EXPECT_EQ(row(tp.db(), "last"), "員工|李小華|品保部_");
    for (const char* untouched : {"before", "after"})
        EXPECT_EQ(row(tp.db(), untouched), "承攬商|舊名|舊部") << untouched;
    EXPECT_EQ(row(tp.db(), "stranger"), "承攬商|外人|外部");
    EXPECT_EQ(row(tp.db(), "blank"), "承攬商|無號|外部"); // an empty number is nobody's
    EXPECT_FALSE(attached(tp.db(), "Vardel"));

    // A prefix names the schema the file is attached under.
    const LogCorrection again = correctLogPersonalData(tp.db(), vardel, "[HR].", {"2024/02/01", "2024/02/01"});
    EXPECT_EQ(again.corrected, 1);
    EXPECT_EQ(row(tp.db(), "after"), "員工|王大明|製造部_M10");
    EXPECT_FALSE(attached(tp.db(), "HR"));
}

TEST(LogCorrection, ALinkThatCannotServeIsRefusedAndChangesNothing) {
    TestProgram tp(false);
    ASSERT_TRUE(tp.start());
    seedLog(tp.db());
    const ReportPeriod jan{"2024/01/01", "2024/01/31"};
    // link → the start of the refusal
    const struct {
        QString path;
        QString prefix;
        const char* refusal;
    } cases[] = {
        {"", "", "請先完成與 Vardel 系統資料庫之連結設定"},
        {tp.folder() + "/nowhere.sqlite", "", "以下檔案不存在: "},
        {makeVardel(tp.folder(), "EMPLNO, NAME, DepName"), "", "人事資料庫的 EMPL 資料表缺少欄位: RealDepCode"},
        {tp.folder() + "/vardel.sqlite", "x'; DROP TABLE NursingBook; --", "請先完成與 Vardel 系統資料庫之連結設定"},
    };
    for (const auto& c : cases) {
        const LogCorrection r = correctLogPersonalData(tp.db(), c.path, c.prefix, jan);
        EXPECT_TRUE(r.refusal.startsWith(QString::fromUtf8(c.refusal))) << r.refusal.toStdString();
        EXPECT_EQ(r.corrected, 0);
    }
    EXPECT_FALSE(QFile::exists(tp.folder() + "/nowhere.sqlite"));
    EXPECT_EQ(row(tp.db(), "first"), "承攬商|舊名|舊部");
    EXPECT_FALSE(attached(tp.db(), "Vardel"));
}

TEST(LogCorrection, SchemaNamesOfPrefixes) {
    EXPECT_EQ(vardelSchemaName("").value(), "Vardel");
    EXPECT_EQ(vardelSchemaName("HR.").value(), "HR");
    EXPECT_EQ(vardelSchemaName("[HR_2].").value(), "HR_2");
    EXPECT_FALSE(vardelSchemaName("2HR."));
    EXPECT_FALSE(vardelSchemaName("a b."));
    EXPECT_FALSE(vardelSchemaName("a\".")); // no quote ever reaches the statement
}
