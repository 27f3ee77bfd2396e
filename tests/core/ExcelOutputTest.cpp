// The Excel output procedures through the real writer, in a temporary program folder with the scripted Ui: the
// files written under 報表暫存/, what the nurse is told, and the workbooks read back by openpyxl.

#include "core/ExcelOutput.h"
#include "common/TestProgram.h"
#include "core/Database.h"
#include "core/Program.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QJsonObject openpyxl(const QString& path, const QString& body) {
    const QString out =
        runPython(QStringLiteral("import sys, json, openpyxl\nwb = openpyxl.load_workbook(sys.argv[1])\n"
                                 "out = {}\n") +
                      body + QStringLiteral("\nprint(json.dumps(out, ensure_ascii=False))\n"),
                  {path});
    return QJsonDocument::fromJson(out.toUtf8()).object();
}

Recordset sample() {
    return Recordset(
        {"事件代碼", "Note", "人數", "百分比"},
        {{"A01", "頭痛", 12, "50.00%"}, {"A02", QVariant(), 3.0, "0012"}, {"A03", "一般健康諮詢與衛教指導", 9, ""}});
}

} // namespace

class ExcelOutputTest : public ::testing::Test {
protected:
    TestProgram t{false};
    Program& program = t.program();
    ScriptedUi& ui = t.ui();
    void SetUp() override { ui.clock = QDateTime(QDate(2024, 3, 5), QTime(13, 30, 0)); }
    QString outputFolder() const { return t.folder() + "/報表暫存"; }
};

TEST_F(ExcelOutputTest, CreateExcelWorkbookGivesThreeSheetsPlusTheCountAddressedByPosition) {
    ExcelSession& s = CreateExcelWorkbook(program, 8);
    ASSERT_EQ(program.excel.get(), &s);
    EXPECT_EQ(s.book.sheetCount(), 11);
    EXPECT_EQ(s.sheet, &s.book.sheet(0));
    EXPECT_EQ(&s.activate(9), &s.book.sheet(8));
    EXPECT_EQ(s.sheet, &s.book.sheet(8));
    s.worksheet(13).setName("第十三"); // more categories than sheets: the book grows
    EXPECT_EQ(s.book.sheetCount(), 13);
    EXPECT_EQ(CreateExcelWorkbook(program, 0).book.sheetCount(), 3); // a new workbook replaces the unfinished one
    EXPECT_EQ(CreateExcelWorkbook(program, -2).book.sheetCount(), 3);
}

TEST_F(ExcelOutputTest, WriteRecordsetToSheetWritesTextWithAStyledHeaderFittedAndFiltered) {
    ExcelSession& s = CreateExcelWorkbook(program, 0);
    office::XlsxSheet& sheet = s.activate(1);
    sheet.setName("A_外傷");
    WriteRecordsetToSheet(program, sample());
    EXPECT_EQ(sheet.text(0, 0), "事件代碼");
    EXPECT_EQ(sheet.text(2, 1), "");  // NULL
    EXPECT_EQ(sheet.text(2, 2), "3"); // a number as text, in general form
    EXPECT_EQ(sheet.kind(2, 2), office::XlsxSheet::CellKind::Text);
    ASSERT_TRUE(sheet.autoFilter());
    EXPECT_EQ(*sheet.autoFilter(), (office::XlsxRange{0, 0, 3, 3}));
    EXPECT_GT(sheet.columnWidth(1), sheet.columnWidth(0)); // the long wide-character note
    // Toggled: writing the same sheet again removes the arrows.
    WriteRecordsetToSheet(program, sample(), sheet);
    EXPECT_FALSE(sheet.autoFilter());
    WriteRecordsetToSheet(program, Recordset({"只有表頭"}, {}), s.worksheet(2));
    EXPECT_EQ(*s.worksheet(2).autoFilter(), (office::XlsxRange{0, 0, 0, 0}));
    WriteRecordsetToSheet(program, Recordset(), s.worksheet(3)); // no fields: nothing
    EXPECT_EQ(s.worksheet(3).rowCount(), 0);
    EXPECT_FALSE(s.worksheet(3).autoFilter());
    WriteRecordsetToSheet(program, sample(), s.worksheet(3));

    const QString path = FinishExcel(program, false);
    ASSERT_FALSE(path.isEmpty());
    const QJsonObject o = openpyxl(path, R"(
ws = wb.worksheets[2]
h = ws['A1']
out['head'] = [h.fill.fgColor.rgb, h.font.name, h.font.sz, h.font.b, h.font.color.rgb]
out['values'] = [[c.value for c in r] for r in ws.iter_rows(min_row=1, max_row=4)]
out['types'] = sorted(set(type(c.value).__name__ for r in ws.iter_rows(min_row=2, max_row=4) for c in r if c.value is not None))
out['formats'] = sorted(set(c.number_format for r in ws.iter_rows(min_row=1, max_row=4) for c in r))
out['colfmt'] = ws.column_dimensions['H'].number_format if 'H' in ws.column_dimensions else None
out['filter'] = ws.auto_filter.ref
out['dimension'] = ws.dimensions
out['filter1'] = wb.worksheets[0].auto_filter.ref
out['name1'] = wb.sheetnames[0]
)");
    const QJsonArray head = o["head"].toArray();
    EXPECT_EQ(head.at(0).toString(), "FF008000");
    EXPECT_EQ(head.at(1).toString(), "Arial");
    EXPECT_EQ(head.at(2).toDouble(), 12);
    EXPECT_TRUE(head.at(3).toBool());
    EXPECT_EQ(head.at(4).toString(), "FFFFFFFF");
    const QJsonArray values = o["values"].toArray();
    EXPECT_EQ(values.at(0).toVariant().toStringList(), (QStringList{"事件代碼", "Note", "人數", "百分比"}));
    EXPECT_EQ(values.at(2).toArray().at(3).toString(), "0012");
    EXPECT_TRUE(values.at(2).toArray().at(1).isNull());
    EXPECT_EQ(o["types"].toVariant().toStringList(), QStringList{"str"});
    EXPECT_EQ(o["formats"].toVariant().toStringList(), QStringList{"@"});
    EXPECT_EQ(o["filter"].toString(), "A1:D4");
    EXPECT_EQ(o["dimension"].toString(), "A1:D4"); // the text format on the columns written only
    EXPECT_TRUE(o["filter1"].isNull());
    EXPECT_EQ(o["name1"].toString(), "A_外傷");
}

TEST_F(ExcelOutputTest, AListLongerThanASheetGoesOnOverFurtherSheets) {
    // Two records a sheet stand for Excel's 1 048 575.
    const Recordset five(
        {"員工編號", "記錄日期"},
        {{"E1", "2024/01/01"}, {"E2", "2024/01/02"}, {"E3", "2024/01/03"}, {"E4", "2024/01/04"}, {"E5", "2024/01/05"}});
    ExcelSession& s = CreateExcelWorkbook(program, 0);
    s.rowsPerSheet = 2;
    office::XlsxSheet& first = s.activate(1);
    first.setName("歷程記錄");
    const auto written = WriteRecordsetToSheet(program, five, first);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0], &first);
    // The list's sheets stand together; the positions of the other sheets stay.
    EXPECT_EQ(s.book.sheetNames(), (QStringList{"歷程記錄", "歷程記錄 (2)", "歷程記錄 (3)", "工作表2", "工作表3"}));
    EXPECT_EQ(s.worksheet(2).name(), QString("工作表2"));
    EXPECT_EQ(s.worksheet(4).name(), QString("工作表4"));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(written[size_t(k)]->text(0, 0), "員工編號");
        EXPECT_EQ(written[size_t(k)]->text(1, 0), QString("E%1").arg(2 * k + 1));
    }
    EXPECT_EQ(written[1]->text(2, 1), "2024/01/04");
    EXPECT_EQ(written[2]->rowCount(), 2); // the header and E5

    // A template: the list goes on over sheets inserted after its own, before the template's next sheet.
    office::XlsxWorkbook form;
    form.addSheet("總表");
    form.addSheet("清單");
    form.addSheet("備註");
    ASSERT_TRUE(form.save(t.folder() + "/form.xlsx"));
    office::XlsxPackage package;
    ASSERT_TRUE(package.open(t.folder() + "/form.xlsx"));
    ASSERT_TRUE(WriteRecordsetToSheet(five, package, 1, 2));
    EXPECT_EQ(package.sheetNames(), (QStringList{"總表", "清單", "清單 (2)", "清單 (3)", "備註"}));
    EXPECT_EQ(package.cellText(3, 0, 0), "員工編號");
    EXPECT_EQ(package.cellText(3, 1, 0), "E5");
}

TEST_F(ExcelOutputTest, FinishExcelSavesUnderTheReportFolderNeverOverwritingThenSaysDone) {
    CreateExcelWorkbook(program, 0).name = "高風險人員";
    const QString first = FinishExcel(program, true);
    EXPECT_EQ(first, outputFolder() + "/高風險人員_20240305_133000.xlsx");
    EXPECT_TRUE(QFile::exists(first));
    EXPECT_FALSE(program.excel);
    EXPECT_EQ(ui.opened, QStringList{first});
    ASSERT_EQ(ui.shown.size(), 1);
    EXPECT_EQ(ui.shown[0].text, "完成");
    EXPECT_EQ(ui.shown[0].icon, Ui::Icon::Information);

    CreateExcelWorkbook(program, 0).name = "高風險人員";
    const QString second = FinishExcel(program, false); // the same second: a new name, the first file kept
    EXPECT_EQ(second, outputFolder() + "/高風險人員_20240305_133000_2.xlsx");
    EXPECT_EQ(ui.shown.size(), 1); // no "完成" when not asked
    CreateExcelWorkbook(program, 0);
    EXPECT_TRUE(FinishExcel(program, false).endsWith("/報表_20240305_133000.xlsx"));
    EXPECT_EQ(FinishExcel(program, true), ""); // nothing to finish
    EXPECT_EQ(ui.shown.size(), 1);
}

TEST_F(ExcelOutputTest, AFailedSaveSaysSoAndNeverSaysDone) {
    // The picture of the workbook vanished before saving: the workbook cannot be written.
    QImage img(2, 2, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QString picture = t.folder() + "/p.png";
    ASSERT_TRUE(img.save(picture));
    ExcelSession& s = CreateExcelWorkbook(program, 0);
    ASSERT_TRUE(s.worksheet(1).addPicture({picture, {0, 4}}));
    QFile::remove(picture);
    EXPECT_EQ(FinishExcel(program, true), "");
    EXPECT_FALSE(program.excel);
    ASSERT_EQ(ui.shown.size(), 1);
    EXPECT_EQ(ui.shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(ui.shown[0].text.startsWith("無法儲存 Excel 活頁簿"));
    EXPECT_TRUE(ui.opened.isEmpty());
    EXPECT_TRUE(QDir(outputFolder()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // no half file

    // The output folder cannot be made (a file holds its name).
    QDir(outputFolder()).removeRecursively();
    QFile blocker(outputFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CreateExcelWorkbook(program, 0);
    EXPECT_EQ(FinishExcel(program, true), "");
    ASSERT_EQ(ui.shown.size(), 2);
    EXPECT_EQ(ui.shown[1].icon, Ui::Icon::Critical);
    EXPECT_FALSE(ui.messageTexts().contains("完成"));
}

TEST_F(ExcelOutputTest, ExportListViewToExcelWritesTheListWithNotesAndTheEventCodes) {
    ASSERT_TRUE(t.start());
    QTreeWidget list;
    list.setHeaderLabels({"姓名", "員工編號", "部門"});
    EXPECT_EQ((ExportListViewToExcel(program, &list, true, "員工清單"), ui.shown.size()), 0); // empty list: nothing
    EXPECT_FALSE(QDir(outputFolder()).exists());
    new QTreeWidgetItem(&list, QStringList{"王小明", "00123", "製造部"});
    new QTreeWidgetItem(&list, QStringList{"李大華", "00456", "品保/檢驗"});
    ExportListViewToExcel(program, &list, true, "員工清單");
    ASSERT_EQ(ui.opened.size(), 1);
    EXPECT_EQ(ui.opened[0], outputFolder() + "/員工清單_20240305_133000.xlsx");
    EXPECT_EQ(ui.messageTexts(), QStringList{"完成"});
    const QJsonObject o = openpyxl(ui.opened[0], R"(
ws = wb.worksheets[0]
out['names'] = wb.sheetnames
out['rows'] = [[c.value for c in r] for r in ws.iter_rows(min_row=1, max_row=3)]
out['notes'] = [ws.cell(row=1, column=c).comment.text if ws.cell(row=1, column=c).comment else None for c in (1, 2, 3)]
out['filter'] = ws.auto_filter.ref
codes = wb.worksheets[1]
out['codehead'] = [c.value for c in codes[1]]
out['codes'] = codes.max_row
)");
    EXPECT_EQ(o["names"].toVariant().toStringList().mid(0, 2), (QStringList{"員工清單", "事件代碼"}));
    EXPECT_EQ(o["rows"].toArray().at(1).toVariant().toStringList(), (QStringList{"王小明", "00123", "製造部"}));
    EXPECT_EQ(o["notes"].toVariant().toStringList(), (QStringList{"姓名", "員工編號", "部門"}));
    EXPECT_EQ(o["filter"].toString(), "A1:C3");
    EXPECT_EQ(o["codehead"].toVariant().toStringList(), (QStringList{"MainCode", "Type", "Note", "健康服務工作要項"}));
    const int codes = t.db().scalar("SELECT COUNT(*) FROM NursingCode").toInt();
    EXPECT_GT(codes, 0);
    EXPECT_EQ(o["codes"].toInt(), codes + 1);

    ExcelSession& s = CreateExcelWorkbook(program, 0);
    EXPECT_FALSE(WriteCodeTableToSheet(program, s.worksheet(1), "NoSuchTable"));
}

TEST_F(ExcelOutputTest, OpenExampleWorkbookOpensItOrSaysItIsMissing) {
    const QString path = t.folder() + "/DataBase/DOC/範例_母性保護_匯入檔.xlsx";
    OpenExampleWorkbook(program, path);
    ASSERT_EQ(ui.shown.size(), 1);
    EXPECT_EQ(ui.shown[0].text, "以下檔案不存在: \r\n\r\n" + path);
    EXPECT_EQ(ui.shown[0].title, "檔案不存在");
    EXPECT_EQ(ui.shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(ui.opened.isEmpty());

    QDir().mkpath(t.folder() + "/DataBase/DOC");
    office::XlsxWorkbook book;
    book.addSheet().setText(0, 0, "範例");
    ASSERT_TRUE(book.save(path));
    OpenExampleWorkbook(program, path);
    EXPECT_EQ(ui.opened, QStringList{path});
    ASSERT_EQ(ui.shown.size(), 2);
    EXPECT_EQ(ui.shown[1].text, path + "\r\n\r\n範例檔案已呼叫, 請先另存新檔後, 再進行編輯");
    EXPECT_EQ(ui.shown[1].title, program.ui().programTitle()); // no title of its own
    EXPECT_EQ(ui.shown[1].icon, Ui::Icon::Information);
}

TEST_F(ExcelOutputTest, TemplatesAreOpenedFilledAndSavedUnderANewName) {
    EXPECT_FALSE(OpenWorkbookFile(program, "套表_母性保護_附表1.xlsx"));
    ASSERT_EQ(ui.shown.size(), 1);
    EXPECT_EQ(ui.shown[0].text, "以下檔案不存在: \r\n\r\n" + t.folder() + "/DataBase/DOC/套表_母性保護_附表1.xlsx");
    EXPECT_EQ(ui.shown[0].title, "檔案不存在");

    QDir().mkpath(t.folder() + "/DataBase/DOC");
    QFile legacy(t.folder() + "/DataBase/DOC/健康服務紀錄統計.xls");
    ASSERT_TRUE(legacy.open(QIODevice::WriteOnly));
    legacy.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
    legacy.close();
    EXPECT_FALSE(OpenWorkbookFile(program, "健康服務紀錄統計.xls"));
    EXPECT_EQ(ui.shown.last().icon, Ui::Icon::Critical);
    EXPECT_TRUE(ui.shown.last().text.contains(".xls"));

    office::XlsxWorkbook book;
    office::XlsxSheet& first = book.addSheet("附表");
    first.setText(0, 0, "附表一、作業場所危害評估及母性健康保護採行措施表");
    first.protect("PZPZ");
    book.addSheet("清單");
    ASSERT_TRUE(book.save(t.folder() + "/DataBase/DOC/套表.xlsx"));
    auto pkg = OpenWorkbookFile(program, "套表.xlsx");
    ASSERT_TRUE(pkg);
    ASSERT_TRUE(pkg->unprotectSheet(0, "PZPZ"));
    ASSERT_TRUE(pkg->setCellText(0, "B2", "王小明"));
    ASSERT_TRUE(pkg->protectSheet(0, "PZPZ"));
    ASSERT_TRUE(WriteRecordsetToSheet(sample(), *pkg, 1));
    const QString saved = SaveWorkbookToReportFolder(program, *pkg, "王小明_母保附表1");
    EXPECT_EQ(saved, outputFolder() + "/王小明_母保附表1_20240305_133000.xlsx");
    EXPECT_EQ(ui.opened.last(), saved);
    const QString fixed = t.folder() + "/套表_母性保護_暫存/王小明_母保附表1_T1.xlsx";
    EXPECT_TRUE(SaveWorkbookAs(program, *pkg, fixed));
    EXPECT_TRUE(SaveWorkbookAs(program, *pkg, fixed)); // replaced without a question
    const QJsonObject o = openpyxl(fixed, R"(
out['b2'] = wb.worksheets[0]['B2'].value
out['protected'] = [bool(wb.worksheets[0].protection.sheet), wb.worksheets[0].protection.password]
out['list'] = [c.value for c in wb.worksheets[1][2]]
out['filter'] = wb.worksheets[1].auto_filter.ref
)");
    EXPECT_EQ(o["b2"].toString(), "王小明");
    EXPECT_EQ(o["protected"].toArray().at(1).toString(), "C8A7");
    EXPECT_EQ(o["list"].toVariant().toStringList(), (QStringList{"A01", "頭痛", "12", "50.00%"}));
    EXPECT_EQ(o["filter"].toString(), "A1:D4");
    // The template itself is never written.
    auto again = OpenWorkbookFile(program, "套表.xlsx");
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->isProtected(0));
    EXPECT_EQ(again->cellText(0, "B2"), "");

    const int before = int(ui.shown.size());
    EXPECT_FALSE(SaveWorkbookAs(program, *pkg, t.folder() + "/DataBase/DOC/套表.xlsx/x.xlsx"));
    EXPECT_EQ(int(ui.shown.size()), before + 1);
    EXPECT_EQ(ui.shown.last().icon, Ui::Icon::Critical);
}
