// The attached tables of a case: reading and checking a filled workbook, storing it, exporting it into its template
// and reading the export back in, deleting one table by its key and the example workbook.

#include "common/PatternZip.h"
#include "core/HtmlOutput.h"
#include "maternity/MaternityTestSupport.h"
#include "office/XlsxPackage.h"

#include <QDirIterator>
#include <QFileInfo>

using namespace maternity;
using namespace maternity::test;

namespace {

const MaternityCase kCase{"王小華", "A123456789-202403", "E001"};

// Runs the menu's import of one file for the case: Yes to the question, the file chosen.
void importFile(TestProgram& tp, const QString& path, const MaternityCase& c = kCase) {
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().fileNext(path);
    importAttachedTable(tp.program(), c);
}

QStringList outputFiles(TestProgram& tp) {
    QStringList files = QDir(maternityOutputFolder(tp.program())).entryList(QDir::Files, QDir::Name);
    return files;
}

} // namespace

TEST(AttachedTableTitle, OnlyTheExactTitleTellsTheKind) {
    struct Case {
        QString a1;
        int kind; // 0: none
        const char* why;
    } cases[] = {
        {"附表一、作業場所危害評估及母性健康保護採行措施表", 1, "exact"},
        {"附表二、妊娠及分娩後未滿 1 年之勞工健康情形自我評估表", 2, "exact, blanks around 1 included"},
        {"附表三、妊娠及分娩後未滿 1 年勞工之工作適性安排建議表", 3, "exact"},
        {"附表一、 作業場所危害評估及母性健康保護採行措施表", 0, "an extra blank after the comma"},
        {"附表一、作業場所危害評估及母性健康保護採行措施表 ", 0, "a trailing blank"},
        {"附表二、妊娠及分娩後未滿1年之勞工健康情形自我評估表", 0, "blanks around 1 missing"},
        {"", 0, "empty"},
        {"附表四", 0, "no such table"},
    };
    for (const Case& c : cases) {
        const AttachedTableKind* k = kindByTitle(c.a1);
        EXPECT_EQ(k ? k->number : 0, c.kind) << c.why;
    }
}

TEST(AttachedTableCheck, ProblemsAreCollectedInOrderAndNothingElseIsRequired) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    const QString title1 = attachedTableKind(1).title;
    struct Case {
        int table;
        QString py;           // after the name and B3 = 'E001'
        QStringList expected; // problem labels in order; empty: accepted
        const char* why;
    } cases[] = {
        {1, "", {"三、風險等級  --> 內容空白"}, "table 1 without a risk level"},
        {1, "ws['A16'] = ' '", {}, "a single blank fills a required cell"},
        {2, "", {"目前狀態 (妊娠中、分娩後) --> 內容空白"}, "table 2 without a state"},
        {2, "ws['B9'] = '分娩後'", {"是否哺乳  --> 內容空白"}, "after childbirth breastfeeding is required"},
        {2, "ws['B9'] = '妊娠中'", {}, "pregnant: breastfeeding may stay empty"},
        {3, "ws['B6'] = '分娩後'\nws['A21'] = '第一級管理'", {}, "table 3 never requires breastfeeding"},
        {3, "", {"目前狀態 (妊娠中、分娩後) --> 內容空白", "2.管理分級 --> 內容空白"}, "both required cells"},
        {2,
         "ws['B9'] = '妊娠中'\nws['B6'] = 'x' * 51",
         {"部門名稱 (儲存格 B6) 內容 51 字，超過欄位長度 50 字"},
         "too long"},
        {2, "ws['B9'] = '妊娠中'\nws['B16'] = '病' * 200", {}, "exactly as long as the column"},
        {1, "ws['A16'] = '第一級管理'\nws['B9'] = '噪' * 5000", {}, "a memo column has no limit"},
        {1,
         "ws['A16'] = '第一級管理'\nws['B5'].value = '#N/A'\nws['B5'].data_type = 'e'",
         {"部門名稱 (儲存格 B5) 為錯誤值 #N/A"},
         "an error value has no text"},
    };
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const QString path = fillTable(tp, c.table, "ws['B2'] = '王小華'\nws['B3'] = 'E001'\n" + c.py,
                                       QStringLiteral("check%1.xlsx").arg(i++));
        const AttachedTableReading r = readWorkbook(path);
        ASSERT_TRUE(r.kind);
        EXPECT_EQ(r.kind->number, c.table);
        int at = 0;
        for (const QString& label : c.expected) {
            const int found = r.problems.indexOf(label, at);
            EXPECT_GE(found, 0) << label.toStdString() << " in " << r.problems.toStdString();
            at = std::max(at, found);
        }
        EXPECT_EQ(r.problems.count("----------------------<P>"), int(c.expected.size())) << r.problems.toStdString();
        if (c.expected.isEmpty()) {
            EXPECT_EQ(r.values.size(), 2 + attachedTableKind(c.table).cells.size());
        }
    }
}

TEST(AttachedTableCheck, TheEmployeeBlockComesFirstAndAForeignWorkbookIsNamed) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    // B3 typed as a number loses the leading zeros and no longer matches the employee number "0012".
    const QString numeric = fillTable(tp, 1, "ws['B3'] = 12", "numeric.xlsx");
    AttachedTableReading r = readWorkbook(numeric, "0012");
    EXPECT_TRUE(r.problems.startsWith("匯入檔，個案工號---> 【12】<P>列表中，個案工號---> 【0012】<P>兩者不一致。【" +
                                      attachedTableKind(1).title + "】 因此無法匯入"))
        << r.problems.toStdString();
    EXPECT_GT(r.problems.indexOf("三、風險等級"), r.problems.indexOf("兩者不一致"));

    // A workbook that is no attached table: only A1 and B3 are looked at.
    const QString foreign = fillWorkbook(tp, "套表_母性保護_附表1.xlsx",
                                         "ws['A1'] = '附表一、作業場所危害評估及母性健康保護採行措施表 '\nws['B3'] = "
                                         "'<E9>'",
                                         "foreign.xlsx");
    r = readWorkbook(foreign, "E001");
    EXPECT_FALSE(r.kind);
    EXPECT_TRUE(r.problems.contains("【&lt;E9&gt;】")) << "values on the page are escaped";
    EXPECT_TRUE(r.problems.endsWith("匯入檔錯誤<P>此份檔案不是指定格式的母保附表<P>無法匯入，請重新檢視 "
                                    "<P>----------------------<P>"));
    EXPECT_TRUE(r.values.empty());
}

TEST(AttachedTableCheck, AValueInAMergedCellIsReadFromItsFirstCell) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    // A nurse's own copy where the risk level spans two rows and the department three columns.
    const QString path = fillTable(tp, 1,
                                   "ws.unmerge_cells('A16:E16')\nws.merge_cells('A16:E17')\n"
                                   "ws.unmerge_cells('B5:E5')\nws.merge_cells('B5:D5')\n"
                                   "ws['A16'] = '第三級管理'\nws['B5'] = '品保部'\nws['B2'] = '王'\nws['B3'] = 'E001'",
                                   "merged.xlsx");
    const AttachedTableReading r = readWorkbook(path);
    EXPECT_EQ(r.problems, "");
    EXPECT_EQ(r.values.at("RiskT1"), "第三級管理");
    EXPECT_EQ(r.values.at("DepName"), "品保部");
}

TEST(AttachedTableStore, OneRowWithEveryColumnSetOrNothing) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    const QString path = fillTable(tp, 2, minimalFilling(2) + "ws['B7'] = \"O'Brien 的工作\"", "store.xlsx");
    AttachedTableReading r = readWorkbook(path);
    ASSERT_EQ(r.problems, "");
    const QDateTime at(QDate(2024, 3, 5), QTime(9, 7, 2));
    const QString key = storeAttachedTable(tp.db(), r, "A-202403", at);
    EXPECT_EQ(key, "T2-240305090702");
    const Recordset rs = tp.db().query("SELECT * FROM MHPT2");
    ASSERT_EQ(rs.recordCount(), 1);
    for (int c = 0; c < rs.fieldCount(); ++c)
        EXPECT_FALSE(rs.isNull(0, c)) << rs.fieldName(c).toStdString();
    EXPECT_EQ(rs.text(0, "xSaveDate"), "2024/03/05 09:07:02");
    EXPECT_EQ(rs.text(0, "CaseKey"), "A-202403");
    EXPECT_EQ(rs.text(0, "Task"), "O'Brien 的工作");
    EXPECT_EQ(rs.text(0, "EDD"), "");

    // A statement the database refuses leaves no row behind.
    tp.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON MHPT2 WHEN NEW.Task = 'boom' "
                 "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    r.values["Task"] = "boom";
    EXPECT_THROW(storeAttachedTable(tp.db(), r, "A-202403", at.addSecs(5)), DbError);
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM MHPT2").toInt(), 1);
}

TEST(AttachedTableImport, TheMenuFlowStoresOrShowsEveryProblem) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    tp.ui().clock = QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0));

    // No: nothing else is asked. A cancelled file dialog: nothing is said.
    tp.ui().answerNext(Ui::Answer::No);
    importAttachedTable(tp.program(), kCase);
    tp.ui().answerNext(Ui::Answer::Yes);
    tp.ui().fileNext("");
    importAttachedTable(tp.program(), kCase);
    ASSERT_EQ(tp.ui().shown.size(), 3);
    EXPECT_EQ(tp.ui().shown[0].title, "附表匯入");
    EXPECT_EQ(tp.ui().shown[0].text,
              "匯入格式須使用本系統指定之附表，系統會自動判斷匯入檔為附表1、2、3\r\n(一次只能指定匯入一個附表)\r\n\r\n"
              "匯入之指定檔案，將與以下個案進行連結，是否確定執行?\r\n\r\n個案姓名 【王小華】\r\n個案工號 【E001】\r\n"
              "個案檔號【A123456789-202403】");
    EXPECT_EQ(tp.ui().shown[2].kind, "file");
    EXPECT_EQ(tp.ui().shown[2].title, "開啟");

    // A file that does not exist and a workbook with problems: the summary box, then the page; nothing stored.
    tp.ui().shown.clear();
    importFile(tp, tp.folder() + "/nurse/gone.xlsx");
    const QString legacy = tp.folder() + "/nurse/old.xls";
    QDir().mkpath(tp.folder() + "/nurse");
    {
        QFile f(legacy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xD0\xCF\x11\xE0 not a package");
    }
    importFile(tp, legacy);
    {
        QFile page(htmlPagePath(tp.program()));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(page.readAll()).contains("old.xls --> 無法開啟, 無法匯入: "));
    }
    const QString bad = fillTable(tp, 1, "ws['B3'] = 'E002'", "bad.xlsx");
    importFile(tp, bad);
    EXPECT_EQ(tp.db().scalar("SELECT count(*) FROM MHPT1").toInt(), 0);
    const QStringList texts = tp.ui().messageTexts();
    EXPECT_EQ(texts.count("【母保附表 匯入查驗】 完成, 但有部份檔案內容有誤, 暫不匯入，請參考除錯報告."), 3);
    QFile page(htmlPagePath(tp.program()));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    EXPECT_TRUE(html.contains("除錯訊息"));
    EXPECT_TRUE(html.contains("【E002】"));
    EXPECT_TRUE(html.contains("三、風險等級  --&gt; 內容空白") || html.contains("三、風險等級  --> 內容空白"));

    // A good workbook: one new row, "完成" in a box without a title of its own.
    tp.ui().shown.clear();
    importFile(tp, fillTable(tp, 1, minimalFilling(1), "good.xlsx"));
    ASSERT_EQ(tp.ui().shown.size(), 3);
    EXPECT_TRUE(tp.ui().shown[2].text.startsWith("【母保附表  匯入】 完成"));
    EXPECT_EQ(tp.ui().shown[2].title, Program::title());
    EXPECT_EQ(tp.db().scalar("SELECT CaseKeyT1 FROM MHPT1 WHERE CaseKey = 'A123456789-202403'").toString(),
              "T1-240305100000");
}

// A workbook of a few megabytes whose shared strings unpack to 3 GiB, its archive stating so or stating 2 MiB: the
// import stops early, says why on the page and stores nothing.
TEST(AttachedTableImport, AWorkbookUnpackingToGigabytesIsRefusedAndNothingIsStored) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    QDir().mkpath(tp.folder() + "/nurse");
    const QByteArray si = QByteArray("<si><t>0123456789abcdef</t></si>").repeated(1 << 15); // 1 MiB
    const struct Case {
        const char* file;
        std::optional<quint32> stated;
        const char* reason;
    } cases[] = {{"told.xlsx", std::nullopt, "檔案過大，無法讀取: "}, {"untold.xlsx", 2u << 20, "檔案已損毀: "}};
    for (const Case& c : cases) {
        const QString path = tp.folder() + "/nurse/" + c.file;
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(ziptest::workbookWithSharedStrings(si, 3072, c.stated));
        }
        tp.ui().shown.clear();
        importFile(tp, path);
        EXPECT_EQ(tp.ui().messageTexts().last(),
                  "【母保附表 匯入查驗】 完成, 但有部份檔案內容有誤, 暫不匯入，請參考除錯報告.")
            << c.file;
        QFile page(htmlPagePath(tp.program()));
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        EXPECT_TRUE(html.contains(path + " --> 無法開啟, 無法匯入: " + c.reason + QDir::toNativeSeparators(path)))
            << html.toStdString();
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(tp.db().scalar(QStringLiteral("SELECT count(*) FROM MHPT%1").arg(n)).toInt(), 0) << c.file;
    }
}

TEST(AttachedTableRoundTrip, EachKindComesBackFromItsExportUnchanged) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    // Filled as a nurse fills them: typed dates, numbers, empty cells, an apostrophe, a line break.
    const QString fillings[] = {
        minimalFilling(1) + "ws['B5'] = \"製造'一課\"\nws['B9'] = '噪音\\n振動'\nws['B10'] = '無'\n"
                            "ws['B34'] = datetime.date(2024, 3, 15)\nws['B31'] = 12.5",
        minimalFilling(2) + "ws['B5'] = 29\nws['B11'] = datetime.date(2024, 9, 20)\nws['B40'] = '有'\n"
                            "ws['B25'] = 2\nws['B48'] = '常醒'",
        minimalFilling(3) + "ws['B11'] = 160.5\nws['B24'] = '暫停夜班'\nws['B35'] = '每兩小時休息'\n"
                            "ws['B38'] = datetime.datetime(2024, 3, 20, 14, 30)",
    };
    QDateTime clock(QDate(2024, 3, 21), QTime(8, 0, 0));
    for (int n = 1; n <= 3; ++n) {
        tp.ui().clock = clock.addSecs(n);
        importFile(tp, fillTable(tp, n, fillings[n - 1], QStringLiteral("in%1.xlsx").arg(n)));
    }
    EXPECT_EQ(tp.db().scalar("SELECT B FROM (SELECT ExecuteDateT1 AS B FROM MHPT1)").toString(), "2024/03/15");
    EXPECT_EQ(tp.db().scalar("SELECT ExecuteDateT3 FROM MHPT3").toString(), "2024/03/20 14:30:00");
    EXPECT_EQ(tp.db().scalar("SELECT xAge FROM MHPT2").toString(), "29");

    tp.ui().shown.clear();
    tp.ui().answerNext(Ui::Answer::Yes);
    exportAttachedTables(tp.program(), kCase);
    ASSERT_EQ(tp.ui().shown.size(), 2);
    EXPECT_EQ(tp.ui().shown[0].text,
              "個案檔號【A123456789-202403】，\r\n個案姓名【王小華】\r\n\r\n附表 1 : 1 份 \r\n附表 2 : 1 份 \r\n"
              "附表 3 : 1 份 \r\n\r\n\r\n 是否匯出上述個人之母性保護評估表");
    const QString folder = maternityOutputFolder(tp.program());
    EXPECT_EQ(tp.ui().shown[1].text, "套表_母性保護 ，已存於 " + folder + "/  ");
    EXPECT_EQ(tp.ui().opened, QStringList{folder});
    const QStringList files = outputFiles(tp);
    EXPECT_EQ(files, (QStringList{"王小華_母保附表1_第二級管理_T1-240321080001.xlsx",
                                  "王小華_母保附表2_妊娠中_T2-240321080002.xlsx",
                                  "王小華_母保附表3_妊娠中-第一級管理_T3-240321080003.xlsx"}));

    for (int n = 1; n <= 3; ++n) {
        SCOPED_TRACE(n);
        const AttachedTableKind& kind = attachedTableKind(n);
        const QString out = folder + "/" + files[n - 1];
        // Protected again, the key in C3, every mapped cell as stored (read by openpyxl).
        office::XlsxPackage book;
        ASSERT_TRUE(bool(book.open(out)));
        EXPECT_TRUE(book.isProtected(0));
        EXPECT_EQ(book.cellText(0, "C3"), files[n - 1].section('_', -1).chopped(5));
        QStringList cells;
        for (const MappedCell& c : kind.cells)
            cells.append(c.cell);
        const QStringList seen = openpyxlCells(out, cells);
        const Recordset stored = tp.db().query("SELECT * FROM " + kind.table);
        ASSERT_EQ(seen.size(), cells.size());
        for (size_t i = 0; i < kind.cells.size(); ++i)
            EXPECT_EQ(seen[int(i)], stored.text(0, kind.cells[i].column).replace("\n", "\\n"))
                << kind.cells[i].cell.toStdString();

        // Read back in: a new row with a new key and the same values.
        tp.ui().clock = clock.addSecs(100 + n);
        importFile(tp, out);
        const Recordset both = tp.db().query("SELECT * FROM " + kind.table + " ORDER BY xSaveDate");
        ASSERT_EQ(both.recordCount(), 2);
        EXPECT_NE(both.text(0, kind.keyColumn), both.text(1, kind.keyColumn));
        for (int c = 3; c < both.fieldCount(); ++c)
            EXPECT_EQ(both.text(0, c), both.text(1, c)) << both.fieldName(c).toStdString();
    }
}

TEST(AttachedTableExport, RowsOfAKindEachGetTheirOwnWorkbookAndAMissingTemplateStops) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    // Two tables 2, the newer without a department; a table 3 with a status the file system refuses.
    db.exec("INSERT INTO MHPT2 (CaseKeyT2, CaseKey, xSaveDate, Name, EMPLNO, CurrentSate, DepName) VALUES "
            "('T2-240101000000', ?, '2024/01/01 00:00:00', '王小華', 'E001', '妊娠中', '製造部'), "
            "('T2-240201000000', ?, '2024/02/01 00:00:00', '王小華', 'E001', '分娩後', NULL)",
            {kCase.caseNumber, kCase.caseNumber});
    db.exec("INSERT INTO MHPT3 (CaseKeyT3, CaseKey, xSaveDate, CurrentSate, RiskT3) VALUES "
            "('T3-240301000000', ?, '2024/03/01 00:00:00', '分娩後', '第二級/追蹤\n中'), "
            "('T3-240302000000', ?, '2024/03/02 00:00:00', NULL, NULL)",
            {kCase.caseNumber, kCase.caseNumber});
    tp.ui().answerNext(Ui::Answer::Yes);
    exportAttachedTables(tp.program(), kCase);
    const QString folder = maternityOutputFolder(tp.program());
    EXPECT_EQ(outputFiles(tp), (QStringList{"王小華_母保附表2_分娩後_T2-240201000000.xlsx",
                                            "王小華_母保附表2_妊娠中_T2-240101000000.xlsx",
                                            "王小華_母保附表3_分娩後-第二級_追蹤_中_T3-240301000000.xlsx",
                                            "王小華_母保附表3_未填_T3-240302000000.xlsx"}));
    office::XlsxPackage second;
    ASSERT_TRUE(bool(second.open(folder + "/王小華_母保附表2_分娩後_T2-240201000000.xlsx")));
    EXPECT_EQ(second.cellText(0, "B6"), "") << "nothing of the previous row remains";
    EXPECT_EQ(second.cellText(0, "B9"), "分娩後");

    // Without the template of table 2, table 1 is written, nothing after it, and the folder is not opened.
    db.exec("INSERT INTO MHPT1 (CaseKeyT1, CaseKey, xSaveDate, RiskT1) VALUES ('T1-240101000000', ?, "
            "'2024/01/01 00:00:00', '第一級管理')",
            {kCase.caseNumber});
    QDir(folder).removeRecursively();
    const QString missing = tp.program().docFolder() + "套表_母性保護_附表2.xlsx";
    QFile::remove(missing);
    tp.ui().shown.clear();
    tp.ui().opened.clear();
    tp.ui().answerNext(Ui::Answer::Yes);
    exportAttachedTables(tp.program(), kCase);
    EXPECT_EQ(outputFiles(tp), QStringList{"王小華_母保附表1_第一級管理_T1-240101000000.xlsx"});
    ASSERT_EQ(tp.ui().shown.size(), 2);
    EXPECT_EQ(tp.ui().shown[1].text, "以下檔案不存在: \r\n\r\n" + missing);
    EXPECT_EQ(tp.ui().shown[1].title, "檔案不存在");
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

TEST(AttachedTableExport, ACaseWithoutTablesOrANoWritesNothing) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    exportAttachedTables(tp.program(), kCase);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(tp.ui().shown[0].text.endsWith(" 上述個案未填寫任何母性保護評估表。無法輸出個人套表"));
    EXPECT_TRUE(tp.ui().shown[0].text.contains("附表 1 : 0 份 \r\n附表 2 : 0 份 \r\n附表 3 : 0 份 \r\n"));
    EXPECT_TRUE(QFileInfo(maternityOutputFolder(tp.program())).isDir()) << "the folder is made before counting";

    tp.db().exec("INSERT INTO MHPT2 (CaseKeyT2, CaseKey, xSaveDate) VALUES ('T2-1', ?, '2024/01/01 00:00:00')",
                 {kCase.caseNumber});
    tp.ui().answerNext(Ui::Answer::No);
    exportAttachedTables(tp.program(), kCase);
    EXPECT_TRUE(outputFiles(tp).isEmpty());
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

TEST(AttachedTableExport, FileNamesHoldNoCharacterAFileSystemRefuses) {
    struct Case {
        QString name, status, key, expected;
    } cases[] = {
        {"王小華", "妊娠中", "T2-240101000000", "王小華_母保附表2_妊娠中_T2-240101000000.xlsx"},
        {"王/小華", "a\\b:c*d?e\"f<g>h|i\r\nj", "T2-1", "王_小華_母保附表2_a_b_c_d_e_f_g_h_i__j_T2-1.xlsx"},
        {"王小華", QString(), "T2-1", "王小華_母保附表2_未填_T2-1.xlsx"},
        {"王小華", "", "T2-1", "王小華_母保附表2__T2-1.xlsx"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(exportFileName(c.name, 2, c.status, c.key), c.expected);
    // A long free-text status is shortened so the name fits the file system.
    const QString longName = exportFileName("王小華", 1, QString(300, QChar(u'危')), "T1-240101000000");
    EXPECT_LE(longName.toUtf8().size(), 255);
    EXPECT_TRUE(longName.endsWith("_T1-240101000000.xlsx"));
    EXPECT_TRUE(longName.startsWith("王小華_母保附表1_危危"));
}

TEST(AttachedTableDelete, OnlyTheNamedTableGoesAndEveryOtherAnswerIsSaid) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    for (int n = 1; n <= 3; ++n)
        db.exec(QStringLiteral("INSERT INTO MHPT%1 (CaseKeyT%1, CaseKey) VALUES ('T%1-240101000000', 'X')").arg(n));
    struct Case {
        std::optional<QString> typed;
        bool asked;      // the key names a stored table: the question comes first, answered Yes
        QString message; // "" when nothing is said
        int left[3];
        const char* why;
    } cases[] = {
        {"  T3-240101000000 ", true, "附表3，T3-240101000000 已刪除", {1, 1, 0}, "blanks removed; only MHPT3"},
        {"T3-240101000000", false, "查無附表3，T3-240101000000，未刪除任何資料", {1, 1, 0}, "the second time"},
        {"T4-240101000000",
         false,
         "【T4-240101000000】 不是母性保護附表之案件號，未刪除任何資料",
         {1, 1, 0},
         "no table 4"},
        {"T1-240101000000' OR '1'='1",
         false,
         "查無附表1，T1-240101000000' OR '1'='1，未刪除任何資料",
         {1, 1, 0},
         "an apostrophe alters nothing"},
        {"   ", false, "", {1, 1, 0}, "empty answer"},
        {std::nullopt, false, "", {1, 1, 0}, "cancelled"},
        {"T1-240101000000", true, "附表1，T1-240101000000 已刪除", {0, 1, 0}, "table 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        tp.ui().shown.clear();
        tp.ui().inputNext(c.typed);
        if (c.asked) tp.ui().answerNext(Ui::Answer::Yes);
        deleteAttachedTable(tp.program());
        ASSERT_GE(tp.ui().shown.size(), 1);
        EXPECT_EQ(tp.ui().shown[0].text, "請輸入母性保護附表之案件號 \r\n(系統產出個人套表文件，右上方之編碼)");
        EXPECT_EQ(tp.ui().shown[0].title, "刪除附表_須指定附表案件號");
        if (c.message.isEmpty()) {
            EXPECT_EQ(tp.ui().shown.size(), 1);
        } else {
            ASSERT_EQ(tp.ui().shown.size(), c.asked ? 3 : 2);
            EXPECT_TRUE(tp.ui().shown.last().text.startsWith(c.message)) << tp.ui().shown.last().text.toStdString();
        }
        for (int n = 1; n <= 3; ++n)
            EXPECT_EQ(db.scalar(QStringLiteral("SELECT count(*) FROM MHPT%1").arg(n)).toInt(), c.left[n - 1]) << n;
    }
}

TEST(AttachedTableDelete, TheQuestionNamesTheTableItsCaseAndDateAndNoDeletesNothing) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    Database& db = tp.db();
    addCase(db, "陳美玲", "B223456789-202501", "E002", "2025/01/02 08:00:00");
    db.exec("INSERT INTO MHPT2 (CaseKeyT2, CaseKey, xSaveDate, Name) VALUES "
            "('T2-250615103102', 'B223456789-202501', '2025/06/15 10:31:02', '陳美玲')");
    tp.ui().inputNext("T2-250615103102");
    deleteAttachedTable(tp.program()); // the question left to its default button
    ASSERT_EQ(tp.ui().shown.size(), 2);
    const auto question = tp.ui().shown[1];
    EXPECT_EQ(question.buttons, Ui::Buttons::YesNoDefaultNo);
    EXPECT_EQ(question.title, "刪除附表_須指定附表案件號");
    EXPECT_EQ(question.text, "附表2，T2-250615103102\r\n\r\n個案姓名【陳美玲】，個案檔號【B223456789-202501】，"
                             "存檔日期 2025/06/15 10:31:02\r\n\r\n此動作將刪除以上附表，是否確定執行?");
    EXPECT_EQ(db.scalar("SELECT count(*) FROM MHPT2").toInt(), 1);
}

TEST(AttachedTableExample, OpensTheShippedExampleOrSaysItIsMissing) {
    TestProgram tp;
    ASSERT_TRUE(tp.start());
    const QString path = tp.program().docFolder() + "範例_母性保護_匯入檔.xlsx";
    openMaternityExample(tp.program());
    EXPECT_EQ(tp.ui().opened, QStringList{QFileInfo(path).absoluteFilePath()});
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{path + "\r\n\r\n範例檔案已呼叫, 請先另存新檔後, 再進行編輯"});
    QFile::remove(path);
    tp.ui().shown.clear();
    openMaternityExample(tp.program());
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{"以下檔案不存在: \r\n\r\n" + path});
    EXPECT_EQ(tp.ui().opened.size(), 1);
}
