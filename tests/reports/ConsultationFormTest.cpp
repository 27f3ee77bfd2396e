// The consultation form and the NMQ history: the grade, advice and age rules; the form's cells for a person with
// and without each record kind, written to a new file and never into the template; the three newest questionnaires
// side by side with the body picture, and without it.

#include "reports/ConsultationForm.h"
#include "common/TestProgram.h"
#include "reports/NmqHistory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace reports;

namespace {

TEST(ConsultationRules, CardiovascularGrade) {
    const struct {
        const char* score;
        int grade;
    } cases[] = {{"9%", 0},    {"9.99%", 0}, {"10%", 1}, {"19.5%", 1}, {"20%", 2}, {"47%", 2},
                 {">=56%", 2}, {">=30", 2},  {"", 0},    {"1%", 0},    {"abc", 2}};
    for (const auto& c : cases)
        EXPECT_EQ(cardiovascularGrade(QString::fromUtf8(c.score)), c.grade) << c.score;
}

TEST(ConsultationRules, InterviewAdvice) {
    EXPECT_EQ(interviewAdvice(0, 0), "【0】_不需面談");
    EXPECT_EQ(interviewAdvice(1, 0), "【1】_不需面談");
    EXPECT_EQ(interviewAdvice(2, 0), "【2】_建議面談");
    EXPECT_EQ(interviewAdvice(1, 1), "【2】_建議面談");
    EXPECT_EQ(interviewAdvice(2, 1), "【3】_需要面談");
    EXPECT_EQ(interviewAdvice(2, 2), "【4】_需要面談");
}

TEST(ConsultationRules, AgeIsTheCompletedYears) {
    // 426 months (35.5 years) would round to 36: the person is 35 until the next birthday.
    EXPECT_EQ(birthDateWithAge("1990/01/15", QDate(2025, 7, 1)), "1990/01/15【目前 35 歲】");
    EXPECT_EQ(birthDateWithAge("1990/07/02", QDate(2025, 7, 1)), "1990/07/02【目前 34 歲】");
    EXPECT_EQ(birthDateWithAge("1990/07/01", QDate(2025, 7, 1)), "1990/07/01【目前 35 歲】");
    EXPECT_EQ(birthDateWithAge("不詳", QDate(2025, 7, 1)), "不詳") << "no date: shown as stored";
}

class PersonalForms : public ::testing::Test {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 7, 1), QTime(10, 0, 0));
        ASSERT_TRUE(tp.start());
        Database& db = tp.db();
        db.exec(
            "INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, 部門代號, 部門名稱, SEX, 出生年月日, 身高, "
            "體重, 腰圍, 收縮壓, 舒張壓, 飯前血醣, 總膽固醇, 三酸甘油脂, 高密度膽固醇, 低密度膽固醇, 抽菸習慣, "
            "成人血壓分級, Framingham_Risk_Score, 代謝症候群_分級, BMI分級, 三高族群分級) VALUES ('2023_00123', "
            "'00123', '2023', '林小華', 'D01', '品保部', '2', '1990/01/15', 160.5, 55.25, 70.5, 125, 82, 99.5, 180, "
            "120, 55, 99, '無', '正常', '20%', '正常', '正常', '無')");
        db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX, Framingham_Risk_Score) VALUES "
                "('2022_00123', '00123', '2022', '林小華', '2', '1%')");
        db.exec(
            "INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼, I01, I_Score, I_Risk, J07, J_Risk, 月加班時數等級, "
            "工作負荷等級) VALUES ('2024_00123', '00123', '2024', '3', '45.5', '中度', '2', '輕度', '1', '0')");
        db.exec("INSERT INTO PersonalNMQ (XID, 員工編號, 年度代碼, Basic02, Basic03, Q001, Q015, Q016) VALUES ('n1', "
                "'00123', '2024', '2024/03/01', '一廠', '3', '', NULL)");
        db.exec(
            "INSERT INTO PersonalNMQ (XID, 員工編號, 年度代碼, Basic02, Basic03, Q001) VALUES ('n2', '00123', '2024', "
            "'2024/05/01', '二廠', '4')");
        db.exec("INSERT INTO PersonalHealth (XID, 員工編號, 年度代碼, 姓名, SEX) VALUES ('2023_B2', 'B2', '2023', "
                "'無問卷', "
                "'1')");
        db.exec("INSERT INTO PersonalBurnOut (XID, 員工編號, 年度代碼, 工作負荷等級) VALUES ('2023_B2', 'B2', '2023', "
                "'2')");
    }
    ConsultationPerson person(const char* no, const char* h, const char* b, const char* n) {
        return {QString::fromUtf8(no), {h, b, n}, {"健檢資料筆數", "過勞量表筆數", "NMQ資料筆數"}};
    }
    QString templateHash() {
        QFile f(tp.program().docFolder() + kConsultationTemplate);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
    }
    // Cells of the first sheet, one "ref=repr(value)" per line.
    QStringList cells(const QString& path, const QStringList& refs) {
        return runPython("import openpyxl,sys\n"
                         "ws=openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                         "for r in sys.argv[2:]: print(r+'='+repr(ws[r].value))\n",
                         QStringList{path} + refs)
            .trimmed()
            .split('\n');
    }
    TestProgram tp;
};

TEST_F(PersonalForms, TheFormHoldsTheNewestRecordsOfEachKind) {
    const QString before = templateHash();
    const QString path = FillConsultationForm(tp.program(), person("00123", "2", "1", "2"));
    ASSERT_FALSE(path.isEmpty()) << tp.ui().messageTexts().join("|").toStdString();
    EXPECT_EQ(templateHash(), before) << "the template is never written";
    EXPECT_EQ(QFileInfo(path).fileName(), "健康諮詢單_00123_20250701_100000.xlsx");
    EXPECT_EQ(QFileInfo(path).dir().dirName(), "報表暫存");
    EXPECT_EQ(tp.ui().opened, QStringList{path});
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].text, "個人健康諮詢單，套印完成");
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::None);
    const QStringList got =
        cells(path, {"B2",  "B3",  "B4", "B7",  "B8",  "B9",  "B10", "B11", "B12", "B14", "B19", "B20",
                     "B23", "B24", "E2", "E3",  "E9",  "E10", "E17", "E19", "E20", "E21", "E22", "E23",
                     "E24", "H2",  "H3", "H12", "H13", "H26", "H27", "A2",  "D24", "G27"});
    EXPECT_EQ(got.join("|"),
              "B2='2023'|B3='林小華'|B4='00123'|B7='2'|B8='1990/01/15【目前 35 歲】'|B9=161|B10=55.3|B11=71|"
              "B12=125|B14=100|B19='無'|B20=None|B23='20%'|B24='第【2】級'|E2='2024'|E3='3'|E9='45.5'|E10='中度'|"
              "E17='2'|E19='輕度'|E20=1|E21=0|E22=0|E23=2|E24='【2】_建議面談'|H2='2024/05/01'|H3='二廠'|"
              "H12='4'|H13='無資料'|H26='無資料'|H27='無資料'|A2='年度代碼'|D24='面談建議'|G27='其他症狀或病史說明'")
        << "the 2023 check, not 2022; the later questionnaire of 2024; the captions of the template stay";
    // The free-text rows keep their stored height: a program that does not size rows to wrapped text on opening
    // shows a long history on three lines instead of over the rows below.
    EXPECT_EQ(runPython("import openpyxl,sys\nws=openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                        "print(*[ws.row_dimensions[r].height for r in (19, 20, 21, 27)])\n",
                        {path})
                  .trimmed(),
              "None 40.0 40.0 40.0");
}

TEST_F(PersonalForms, NoQuestionnaireFillsColumnHWithDashes) {
    // The list was filled when the person had one questionnaire; it has gone since.
    const QString path = FillConsultationForm(tp.program(), person("B2", "1", "1", "1"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(cells(path, {"H2", "H27", "B24", "E22", "E24"}).join("|"),
              "H2='-'|H27='-'|B24='第【0】級'|E22=2|E24='【2】_建議面談'");
}

TEST_F(PersonalForms, AMissingRecordKindIsNamedAndNothingIsMade) {
    const struct {
        std::array<const char*, 3> counts;
        const char* text;
    } cases[] = {
        {{"3", "-", "1"}, "【過勞量表筆數】 無資料，無法套印"},
        {{"-", "-", "-"}, "【健檢資料筆數】 無資料，無法套印"},
        {{"1", "1", "-"}, "【NMQ資料筆數】 無資料，無法套印"},
    };
    for (const auto& c : cases) {
        tp.ui().shown.clear();
        EXPECT_TRUE(
            FillConsultationForm(tp.program(), person("00123", c.counts[0], c.counts[1], c.counts[2])).isEmpty());
        ASSERT_EQ(tp.ui().shown.size(), 1);
        EXPECT_EQ(tp.ui().shown[0].text, QString::fromUtf8(c.text));
        EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    }
    // The list says there is an overwork scale, but it was deleted since.
    tp.ui().shown.clear();
    tp.db().exec("DELETE FROM PersonalBurnOut WHERE 員工編號 = '00123'");
    EXPECT_TRUE(FillConsultationForm(tp.program(), person("00123", "2", "1", "2")).isEmpty());
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"【過勞量表筆數】 無資料，無法套印"});
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_FALSE(QDir(tp.folder() + "/報表暫存").exists());
}

TEST_F(PersonalForms, AMissingTemplateIsSaid) {
    QFile::remove(tp.program().docFolder() + kConsultationTemplate);
    EXPECT_TRUE(FillConsultationForm(tp.program(), person("00123", "2", "1", "2")).isEmpty());
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].title, "檔案不存在");
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith("以下檔案不存在: \r\n\r\n"));
}

// ---- the NMQ history ----

class NmqHistory : public PersonalForms {
protected:
    void questionnaire(const char* xid, const char* year, const char* date, const char* neck) {
        tp.db().exec(
            "INSERT INTO PersonalNMQ (XID, 員工編號, 年度代碼, 姓名, Basic02, Q001, xFileName) VALUES (?, 'N1', "
            "?, '吳', ?, ?, 'f.xlsx')",
            {xid, year, date, neck});
    }
    QStringList sheet(const QString& path) {
        return runPython(
                   "import openpyxl,sys\n"
                   "wb=openpyxl.load_workbook(sys.argv[1])\n"
                   "ws=wb.worksheets[0]\n"
                   "print(len(wb.worksheets), ws.max_row, ws.max_column)\n"
                   "for r in (1,4,20,37): print([c.value for c in ws[r]])\n"
                   "print(ws['A1'].font.b, ws['A1'].fill.fgColor.rgb, ws.column_dimensions['A'].width > 19)\n"
                   "imgs=ws._images\n"
                   "# The picture's left edge in pixels (columns of 20 characters are 145 pixels): E1 within a pixel.\n"
                   "print(len(imgs), [(abs(i.anchor._from.col*145+i.anchor._from.colOff/9525-580)<=1, "
                   "i.anchor._from.row)"
                   " for i in imgs])\n",
                   {path})
            .trimmed()
            .split('\n');
    }
};

TEST_F(NmqHistory, TheThreeNewestStandSideBySideWithThePicture) {
    questionnaire("a", "2020", "2020/01/01", "1");
    questionnaire("b", "2021", "2021/01/01", "2");
    questionnaire("c", "2022", "2022/01/01", "3");
    questionnaire("d", "2023", "2023/06/01", "4");
    questionnaire("e", "2023", "2023/09/01", "5");
    const QString path = WriteNmqHistory(tp.program(), "N1", "5");
    ASSERT_FALSE(path.isEmpty()) << tp.ui().messageTexts().join("|").toStdString();
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"完成"});
    EXPECT_EQ(sheet(path).join("\n").toStdString(), "5 37 4\n"
                                                    "['年度代碼', '2023', '2023', '2022']\n"
                                                    "['填表日期', '2023/09/01', '2023/06/01', '2022/01/01']\n"
                                                    "['頸', '5', '4', '3']\n"
                                                    "['匯入檔檔名', 'f.xlsx', 'f.xlsx', 'f.xlsx']\n"
                                                    "True FF008000 True\n"
                                                    "1 [(True, 0)]");
}

TEST_F(NmqHistory, TiesWithTheThirdPlaceEachGetAColumn) {
    questionnaire("a", "2024", "2024/05/01", "1");
    questionnaire("b", "2023", "2023/01/01", "2");
    questionnaire("c", "2022", "2022/01/01", "3");
    questionnaire("d", "2022", "2022/01/01", "4");
    const QString path = WriteNmqHistory(tp.program(), "N1", "4");
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(sheet(path).value(3), "['頸', '1', '2', '3', '4']");
}

TEST_F(NmqHistory, OneQuestionnaireAndAMissingPicture) {
    questionnaire("a", "2024", "2024/05/01", "1");
    QFile::remove(tp.program().docFolder() + kNmqBodyPicture);
    const QString path = WriteNmqHistory(tp.program(), "N1", "1");
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(tp.ui().messageTexts().size(), 2);
    EXPECT_TRUE(tp.ui().messageTexts()[0].startsWith("找不到人體背面圖, 工作表不附圖:"));
    EXPECT_EQ(tp.ui().messageTexts()[1], "完成");
    const QStringList s = sheet(path);
    EXPECT_EQ(s.value(0), "5 37 2");
    EXPECT_EQ(s.value(6), "0 []");
}

TEST_F(NmqHistory, NoQuestionnaireIsRefused) {
    EXPECT_TRUE(WriteNmqHistory(tp.program(), "N1", "-").isEmpty());
    EXPECT_TRUE(WriteNmqHistory(tp.program(), "N1", "2").isEmpty()) << "deleted since the list was filled";
    ASSERT_EQ(tp.ui().shown.size(), 2);
    for (const auto& s : tp.ui().shown) {
        EXPECT_EQ(s.text, "此人無 NMQ 資料， 無法套印");
        EXPECT_EQ(s.title, "此人無 NMQ 資料");
        EXPECT_EQ(s.icon, Ui::Icon::Critical);
    }
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

} // namespace
