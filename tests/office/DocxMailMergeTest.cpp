#include "office/DocxMailMerge.h"

#include "DocxTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace docxtest;
using office::DocxMailMerge;
using office::OfficeError;
using office::OfficeStatus;

namespace {

// Every kind of field the merge meets: a simple field with formatting, a complex field whose instruction is split
// over three runs with a quoted name, a name in other letter case, a field without a column, a field that is not a
// MERGEFIELD, a bookmark and a picture.
const QString kBody = QStringLiteral(
    R"(<w:p w14:paraId="1A2B3C4D"><w:pPr><w:pStyle w:val="Title"/></w:pPr><w:r><w:t xml:space="preserve">Report for </w:t></w:r>)"
    R"(<w:fldSimple w:instr=" MERGEFIELD 姓名 \* MERGEFORMAT "><w:r><w:rPr><w:b/></w:rPr><w:t>«姓名»</w:t></w:r>)"
    R"(</w:fldSimple></w:p>)"
    R"(<w:p><w:r><w:t xml:space="preserve">No: </w:t></w:r><w:r><w:fldChar w:fldCharType="begin"/></w:r>)"
    R"(<w:r><w:instrText xml:space="preserve"> MERGE</w:instrText></w:r>)"
    R"(<w:r><w:instrText xml:space="preserve">FIELD "員工</w:instrText></w:r>)"
    R"(<w:r><w:instrText xml:space="preserve">編號" \* MERGEFORMAT </w:instrText></w:r>)"
    R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>«員工編號»</w:t></w:r>)"
    R"(<w:r><w:fldChar w:fldCharType="end"/></w:r><w:r><w:t xml:space="preserve"> end</w:t></w:r></w:p>)"
    R"(<w:p><w:r><w:t xml:space="preserve">Note: </w:t></w:r><w:fldSimple w:instr="MERGEFIELD note">)"
    R"(<w:r><w:t>«note»</w:t></w:r></w:fldSimple></w:p>)"
    R"(<w:p><w:r><w:t>Missing: [</w:t></w:r><w:fldSimple w:instr=" MERGEFIELD NoSuchColumn ">)"
    R"(<w:r><w:t>«NoSuchColumn»</w:t></w:r></w:fldSimple><w:r><w:t>]</w:t></w:r></w:p>)"
    R"(<w:p><w:r><w:t xml:space="preserve">Page </w:t></w:r><w:fldSimple w:instr=" PAGE "><w:r><w:t>1</w:t></w:r>)"
    R"(</w:fldSimple></w:p>)"
    R"(<w:p><w:bookmarkStart w:id="0" w:name="_GoBack"/><w:bookmarkEnd w:id="0"/>%1</w:p>)");
const int kParagraphsPerCopy = 6;
const QString kHeaderField =
    QStringLiteral(R"(<w:fldSimple w:instr=" MERGEFIELD 年度代碼 "><w:r><w:t>«年度代碼»</w:t></w:r></w:fldSimple>)");

const QStringList kHeaders{QStringLiteral("姓名"), QStringLiteral("員工編號"), QStringLiteral("NOTE"),
                           QStringLiteral("年度代碼")};

class DocxMailMergeTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString writeTemplate(const office::DocxPackage& pkg, const QString& name = QStringLiteral("template.docx")) {
        const QString p = path(name);
        EXPECT_TRUE(writeFile(p, bytesOf(pkg)));
        return p;
    }
    QString standardTemplate() { return writeTemplate(makeTemplate(kBody.arg(pictureRun()), kHeaderField)); }

    QTemporaryDir dir;
};

} // namespace

TEST(MergeFieldName, ReadsTheColumnOfAMergeFieldInstruction) {
    struct Case {
        const char* instruction;
        std::optional<QString> name;
    } cases[] = {
        {" MERGEFIELD 姓名 \\* MERGEFORMAT ", QStringLiteral("姓名")},
        {"MERGEFIELD \"員工 編號\" \\* MERGEFORMAT", QStringLiteral("員工 編號")},
        {"mergefield Basic01", QStringLiteral("Basic01")},
        {"MERGEFIELD ErgoTotal\\* MERGEFORMAT", QStringLiteral("ErgoTotal")}, // no blank before the switch
        {"  MERGEFIELD   I_Score  ", QStringLiteral("I_Score")},
        {" PAGE ", std::nullopt},
        {"MERGEFIELDX", std::nullopt},
        {"DATE \\@ \"yyyy/MM/dd\"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(office::mergeFieldName(QString::fromUtf8(c.instruction)), c.name) << c.instruction;
}

TEST_F(DocxMailMergeTest, ListsEachFieldOnceIgnoringLetterCase) {
    const QString body =
        kBody.arg(pictureRun()) +
        QStringLiteral(
            R"(<w:p><w:fldSimple w:instr="MERGEFIELD 姓名"/><w:fldSimple w:instr="MERGEFIELD NOTE"/></w:p>)");
    DocxMailMerge merge;
    ASSERT_TRUE(merge.load(writeTemplate(makeTemplate(body, kHeaderField))));
    QStringList names = merge.fieldNames();
    names.sort();
    QStringList expected{QStringLiteral("姓名"), QStringLiteral("員工編號"), QStringLiteral("note"),
                         QStringLiteral("NoSuchColumn"), QStringLiteral("年度代碼")};
    expected.sort();
    EXPECT_EQ(names, expected);
}

TEST_F(DocxMailMergeTest, OneRowFillsEveryFieldAndKeepsTheRestOfTheTemplate) {
    const QString tpl = standardTemplate();
    const QString out = path(QStringLiteral("one.docx"));
    // Text that would break XML or a naive merge: an apostrophe, "<", "&", line breaks of both kinds, a tab and a
    // control character XML cannot hold.
    const QString note = QStringLiteral("O'Brien <b> & \"co\"\nsecond line\r\nthird\tcol\x01"
                                        "end");
    const OfficeStatus merged = office::MergeDocx(
        tpl, kHeaders, {{QStringLiteral("王小明"), QStringLiteral("E001"), note, QStringLiteral("113年度")}}, out);
    ASSERT_TRUE(merged) << merged.message().toStdString();

    const QJsonObject doc = readWithPythonDocx(out);
    const QStringList paragraphs = strings(doc[QStringLiteral("paragraphs")]);
    ASSERT_EQ(paragraphs.size(), kParagraphsPerCopy);
    EXPECT_EQ(paragraphs[0].toStdString(), QStringLiteral("Report for 王小明").toStdString());
    EXPECT_EQ(paragraphs[1].toStdString(), QStringLiteral("No: E001 end").toStdString());
    EXPECT_EQ(paragraphs[2].toStdString(),
              QStringLiteral("Note: O'Brien <b> & \"co\"\nsecond line\nthird\tcolend").toStdString());
    EXPECT_EQ(paragraphs[3].toStdString(), QStringLiteral("Missing: []").toStdString());
    // The value keeps the placeholder's formatting: bold for the simple field, italic for the complex one.
    EXPECT_EQ(doc[QStringLiteral("bold")].toArray()[0].toArray(), QJsonArray({false, true}));
    EXPECT_EQ(doc[QStringLiteral("italic")].toArray()[1].toArray(), QJsonArray({false, true, false}));
    EXPECT_EQ(doc[QStringLiteral("mergeFields")].toInt(), 0);
    EXPECT_EQ(doc[QStringLiteral("fieldChars")].toInt(), 0);
    EXPECT_EQ(doc[QStringLiteral("header")].toString(), QStringLiteral("Header 113年度"));
    EXPECT_EQ(doc[QStringLiteral("pictures")].toInt(), 1);
    EXPECT_FALSE(doc[QStringLiteral("mailMerge")].toBool());
    EXPECT_FALSE(doc[QStringLiteral("dataSourceLink")].toBool());
    EXPECT_EQ(doc[QStringLiteral("sections")].toInt(), 1);

    // Parts the merge has no reason to touch pass through byte for byte.
    office::DocxPackage before, after;
    ASSERT_TRUE(before.load(tpl));
    ASSERT_TRUE(after.load(out));
    for (const char* part : {"word/styles.xml", "word/_rels/document.xml.rels", "word/media/image1.png", "_rels/.rels",
                             "[Content_Types].xml"})
        EXPECT_EQ(after.find(QString::fromUtf8(part))->data, before.find(QString::fromUtf8(part))->data) << part;
    EXPECT_TRUE(after.find(QStringLiteral("word/settings.xml"))->data.contains("defaultTabStop"));
}

TEST_F(DocxMailMergeTest, ManyRowsGiveOneCopyPerRowEachOnItsOwnPage) {
    const QString tpl = standardTemplate();
    std::vector<QStringList> rows;
    for (int i = 1; i <= 3; ++i)
        rows.push_back({QStringLiteral("人員%1").arg(i), QStringLiteral("E%1").arg(i), QStringLiteral("n%1").arg(i)});
    DocxMailMerge merge;
    ASSERT_TRUE(merge.load(tpl));
    const QString out = path(QStringLiteral("many.docx"));
    const OfficeStatus merged = merge.mergeToFile(kHeaders, rows, out);
    ASSERT_TRUE(merged) << merged.message().toStdString();

    const QJsonObject doc = readWithPythonDocx(out);
    const QStringList paragraphs = strings(doc[QStringLiteral("paragraphs")]);
    ASSERT_EQ(paragraphs.size(), 3 * kParagraphsPerCopy);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(paragraphs[i * kParagraphsPerCopy].toStdString(),
                  QStringLiteral("Report for 人員%1").arg(i + 1).toStdString());
        EXPECT_EQ(paragraphs[i * kParagraphsPerCopy + 1].toStdString(),
                  QStringLiteral("No: E%1 end").arg(i + 1).toStdString());
    }
    const QJsonArray breaks = doc[QStringLiteral("breakBefore")].toArray();
    for (int p = 0; p < breaks.size(); ++p)
        EXPECT_EQ(breaks[p].toBool(), p > 0 && p % kParagraphsPerCopy == 0) << "paragraph " << p;
    // One section, at the end; every copy keeps its picture, each drawing with an id of its own.
    EXPECT_EQ(doc[QStringLiteral("sections")].toInt(), 1);
    EXPECT_EQ(doc[QStringLiteral("pictures")].toInt(), 3);
    const QStringList ids = strings(doc[QStringLiteral("drawingIds")]);
    EXPECT_EQ(ids.size(), 3);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 3);
    EXPECT_EQ(doc[QStringLiteral("bookmarks")].toInt(), 1);
    // The shared header takes the first row.
    EXPECT_EQ(doc[QStringLiteral("header")].toString(), QStringLiteral("Header "));

    // A short row leaves its missing columns empty.
    ASSERT_TRUE(merge.mergeToFile(kHeaders, {{QStringLiteral("只有姓名")}}, out));
    EXPECT_EQ(strings(readWithPythonDocx(out)[QStringLiteral("paragraphs")])[1], QStringLiteral("No:  end"));
}

TEST_F(DocxMailMergeTest, FieldCharactersSharingRunsWithTextKeepThatText) {
    // Begin and end in the same runs as the text around them, a field with no placeholder result, and a MERGEFIELD
    // nested in the result of another field (the outer one is not a merge field and stays).
    const QString body = QStringLiteral(
        R"(<w:p><w:r><w:t>A</w:t><w:fldChar w:fldCharType="begin"/><w:instrText>MERGEFIELD 姓名</w:instrText>)"
        R"(<w:fldChar w:fldCharType="separate"/><w:t>«姓名»</w:t><w:fldChar w:fldCharType="end"/><w:t>B</w:t></w:r></w:p>)"
        R"(<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>MERGEFIELD 員工編號</w:instrText></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)"
        R"(<w:p><w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText> QUOTE "x" </w:instrText></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>[</w:t></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>MERGEFIELD NOTE</w:instrText></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="end"/></w:r><w:r><w:t>]</w:t></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)");
    const QString out = path(QStringLiteral("shared-runs.docx"));
    ASSERT_TRUE(office::MergeDocx(writeTemplate(makeTemplate(body)), kHeaders,
                                  {{QStringLiteral("王"), QStringLiteral("E9"), QStringLiteral("註")}}, out));
    const QJsonObject doc = readWithPythonDocx(out);
    EXPECT_EQ(strings(doc[QStringLiteral("paragraphs")]).join(QLatin1Char('|')).toStdString(),
              QStringLiteral("A王B|E9|[註]").toStdString());
    EXPECT_EQ(doc[QStringLiteral("mergeFields")].toInt(), 0);
    EXPECT_EQ(doc[QStringLiteral("fieldChars")].toInt(), 3); // the QUOTE field's own begin, separate and end
}

TEST_F(DocxMailMergeTest, ACopyStartingWithATableGetsABreakParagraph) {
    const QString body = QStringLiteral(
        R"(<w:tbl><w:tblGrid><w:gridCol w:w="2000"/></w:tblGrid><w:tr><w:tc><w:p>)"
        R"(<w:fldSimple w:instr="MERGEFIELD 姓名"><w:r><w:t>«姓名»</w:t></w:r></w:fldSimple></w:p></w:tc>)"
        R"(</w:tr></w:tbl><w:p/>)");
    const QString out = path(QStringLiteral("table.docx"));
    ASSERT_TRUE(office::MergeDocx(writeTemplate(makeTemplate(body)), kHeaders,
                                  {{QStringLiteral("甲")}, {QStringLiteral("乙")}}, out));
    const QJsonObject doc = readWithPythonDocx(out);
    EXPECT_EQ(doc[QStringLiteral("pageBreaks")].toInt(), 1);
    const QJsonArray tables = doc[QStringLiteral("tables")].toArray();
    ASSERT_EQ(tables.size(), 2);
    EXPECT_EQ(tables[1].toArray()[0].toArray()[0].toString(), QStringLiteral("乙"));
}

TEST_F(DocxMailMergeTest, ATemplateFileGivesADocument) {
    const QString out = path(QStringLiteral("from-dotx.docx"));
    ASSERT_TRUE(office::MergeDocx(writeTemplate(makeTemplate(kBody.arg(QString()), {}, "template.main+xml")), kHeaders,
                                  {{QStringLiteral("甲")}}, out));
    const QString types = readWithPythonDocx(out)[QStringLiteral("contentTypes")].toString();
    EXPECT_TRUE(types.contains(QStringLiteral("wordprocessingml.document.main+xml")));
    EXPECT_FALSE(types.contains(QStringLiteral("template.main+xml")));
}

TEST_F(DocxMailMergeTest, NoRowsIsAnErrorAndWritesNothing) {
    const QString tpl = standardTemplate();
    const QString out = path(QStringLiteral("none.docx"));
    const OfficeStatus none = office::MergeDocx(tpl, kHeaders, {}, out);
    EXPECT_EQ(none.code(), OfficeError::InvalidInput);
    EXPECT_EQ(none.message(), QStringLiteral("沒有可套印的資料"));
    EXPECT_FALSE(QFileInfo::exists(out));

    // An existing file of that name stays as it was.
    ASSERT_TRUE(writeFile(out, "earlier"));
    EXPECT_FALSE(office::MergeDocx(tpl, std::vector<QMap<QString, QString>>{}, out));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("earlier"));
}

TEST_F(DocxMailMergeTest, AWriteFailureIsReportedAndLeavesNoFile) {
    const QString tpl = standardTemplate();
    // The folder of the output is a file, so nothing can be created there (whatever the user's rights).
    ASSERT_TRUE(writeFile(path(QStringLiteral("blocker")), "x"));
    const QString out = path(QStringLiteral("blocker/out.docx"));
    const OfficeStatus failed = office::MergeDocx(tpl, kHeaders, {{QStringLiteral("甲")}}, out);
    EXPECT_EQ(failed.code(), OfficeError::WriteFailed);
    EXPECT_TRUE(failed.message().contains(out)) << failed.message().toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // the template and the blocker only
}

TEST(DocxMailMergeFiles, DamagedAndForeignTemplatesGiveAClearError) {
    const QString data = QStringLiteral(OSTIVA_TEST_DATA "/docx/");
    struct Case {
        const char* file;
        const char* mentions; // a word the reason must hold
        OfficeError code;
    } cases[] = {
        {"missing.docx", "不存在", OfficeError::Missing},
        {"not_a_docx.docx", "不是 Word", OfficeError::NotZip},
        {"legacy.doc", "97-2003", OfficeError::OleFile},
        {"truncated.docx", "不是 Word", OfficeError::NotZip},
        {"bad_xml.docx", "損毀", OfficeError::Damaged},
        {"no_document.docx", "不是 Word", OfficeError::NotDocument},
        {"workbook.xlsx", "不是 Word", OfficeError::NotDocument},
        {"damaged_entry.docx", "損毀", OfficeError::Damaged},
    };
    for (const Case& c : cases) {
        DocxMailMerge merge;
        const OfficeStatus loaded = merge.load(data + QString::fromUtf8(c.file));
        const QString error = loaded.message();
        EXPECT_EQ(loaded.code(), c.code) << c.file;
        EXPECT_FALSE(merge.isLoaded()) << c.file;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.mentions))) << c.file << ": " << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.file))) << c.file << ": " << error.toStdString();
        QByteArray unmerged;
        EXPECT_EQ(merge.merge(kHeaders, {{QStringLiteral("甲")}}, &unmerged).code(), OfficeError::InvalidInput)
            << c.file;
        EXPECT_TRUE(unmerged.isEmpty()) << c.file;
    }
}

TEST_F(DocxMailMergeTest, ATemplateNestedTwoHundredThousandDeepMergesWithoutExhaustingTheStack) {
    // Content controls inside content controls, a simple and a complex field at the bottom, two rows.
    const int depth = 200000;
    QString body;
    body.reserve(depth * 64);
    for (int i = 0; i < depth; ++i)
        body += QStringLiteral("<w:sdt><w:sdtContent>");
    body += QStringLiteral(
        R"(<w:p><w:fldSimple w:instr="MERGEFIELD 姓名"><w:r><w:t>«姓名»</w:t></w:r></w:fldSimple>)"
        R"(<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText>MERGEFIELD 員工編號</w:instrText></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>«員工編號»</w:t></w:r>)"
        R"(<w:r><w:fldChar w:fldCharType="end"/></w:r></w:p>)");
    for (int i = 0; i < depth; ++i)
        body += QStringLiteral("</w:sdtContent></w:sdt>");
    DocxMailMerge merge;
    const OfficeStatus loaded = merge.load(writeTemplate(makeTemplate(body)));
    ASSERT_TRUE(loaded) << loaded.message().toStdString();
    EXPECT_EQ(merge.fieldNames(), (QStringList{"姓名", "員工編號"}));
    const QString out = path(QStringLiteral("deep.docx"));
    const OfficeStatus merged = merge.mergeToFile(
        kHeaders,
        {{QStringLiteral("王小明"), QStringLiteral("E001")}, {QStringLiteral("李大華"), QStringLiteral("E002")}}, out);
    ASSERT_TRUE(merged) << merged.message().toStdString();
    office::DocxPackage result;
    ASSERT_TRUE(result.load(out));
    const QString xml = QString::fromUtf8(result.find(QStringLiteral("word/document.xml"))->data);
    for (const char* value : {"王小明", "E001", "李大華", "E002"})
        EXPECT_TRUE(xml.contains(QString::fromUtf8(value))) << value;
    EXPECT_FALSE(xml.contains(QStringLiteral("MERGEFIELD")));
    EXPECT_EQ(xml.count(QStringLiteral("<w:sdtContent>")), 2 * depth);
}
