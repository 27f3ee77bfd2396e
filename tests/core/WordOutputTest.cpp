// The Word output procedures: a merge of a shipped template with a statement's rows, saved under 報表暫存/ and opened;
// the messages when there is nothing to print or nothing can be written; opening an existing document.

#include "core/WordOutput.h"
#include "common/TestProgram.h"
#include "office/DocxMailMerge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kNmqTemplate = QStringLiteral("套表_NMQ評估問卷.docx");

class WordOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tp.start());
        tp.ui().clock = QDateTime(QDate(2024, 3, 5), QTime(14, 15, 16));
    }
    QString nmqTemplate() { return tp.program().docFolder() + kNmqTemplate; }
    QStringList outputFiles() {
        return QDir(ReportOutputFolder(tp.program())).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    void addNmqRecord(const QString& xid, const QString& name, const QString& note) {
        tp.db().exec(
            QStringLiteral("INSERT INTO PersonalNMQ (XID, 年度代碼, 姓名, 員工編號, Basic09, Q001, Q016, "
                           "ErgoTotal, xFileName) VALUES (?, '113', ?, 'E001', '女', '3', ?, '1', '單筆鍵入')"),
            {xid, name, note});
    }

    TestProgram tp;
};

} // namespace

TEST_F(WordOutputTest, MergesTheSelectedRowsSavesUnderReportFolderAndOpens) {
    addNmqRecord(QStringLiteral("X1"), QStringLiteral("林'小<美>&"), QStringLiteral("右肩痠痛\n已就醫"));
    addNmqRecord(QStringLiteral("X2"), QStringLiteral("別人"), QString());
    QString saved;
    EXPECT_EQ(RunWordMailMerge(tp.program(), nmqTemplate(), QStringLiteral("SELECT * FROM PersonalNMQ WHERE XID = ?"),
                               {QStringLiteral("X1")}, QStringLiteral("NMQ評估問卷"), &saved),
              WordMergeResult::Opened);
    EXPECT_EQ(saved, tp.program().path(QStringLiteral("報表暫存/NMQ評估問卷_20240305_141516.docx")));
    EXPECT_EQ(tp.ui().opened, QStringList{saved});
    EXPECT_TRUE(tp.ui().messageTexts().isEmpty());

    const QString text = docxText(saved);
    EXPECT_TRUE(text.contains(QStringLiteral("林'小<美>&"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("右肩痠痛\n已就醫")));
    EXPECT_FALSE(text.contains(QStringLiteral("別人")));
    EXPECT_FALSE(text.contains(QStringLiteral("«")));

    // The same second again: a new name, the first file stays.
    QString second;
    EXPECT_EQ(RunWordMailMerge(tp.program(), nmqTemplate(), QStringLiteral("SELECT * FROM PersonalNMQ"), {},
                               QStringLiteral("NMQ評估問卷"), &second),
              WordMergeResult::Opened);
    EXPECT_EQ(second, tp.program().path(QStringLiteral("報表暫存/NMQ評估問卷_20240305_141516_2.docx")));
    EXPECT_EQ(outputFiles().size(), 2);
    EXPECT_TRUE(docxText(second).contains(QStringLiteral("別人")));
}

TEST_F(WordOutputTest, TheNmqTemplateNamesOnlyColumnsOfPersonalNmq) {
    office::DocxMailMerge merge;
    ASSERT_TRUE(merge.load(nmqTemplate()));
    const QStringList columns = tp.db().columns(QStringLiteral("PersonalNMQ"));
    for (const QString& field : merge.fieldNames())
        EXPECT_TRUE(columns.contains(field, Qt::CaseInsensitive)) << field.toStdString();
    EXPECT_EQ(merge.fieldNames().size(), columns.size());
}

TEST_F(WordOutputTest, NoRowsSaysSoAndWritesNothing) {
    QString saved = QStringLiteral("stale");
    EXPECT_EQ(RunWordMailMerge(tp.program(), nmqTemplate(), QStringLiteral("SELECT * FROM PersonalNMQ WHERE XID = ?"),
                               {QStringLiteral("none")}, {}, &saved),
              WordMergeResult::NoRows);
    EXPECT_EQ(tp.ui().messageTexts(), QStringList{QStringLiteral("沒有可套印的資料")});
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_TRUE(outputFiles().isEmpty());
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

TEST_F(WordOutputTest, AMissingOrDamagedTemplateIsReportedAndNothingOpens) {
    addNmqRecord(QStringLiteral("X1"), QStringLiteral("甲"), QString());
    const QString missing = tp.program().docFolder() + QStringLiteral("不存在.docx");
    EXPECT_EQ(RunWordMailMerge(tp.program(), missing, QStringLiteral("SELECT * FROM PersonalNMQ")),
              WordMergeResult::Failed);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].text, QStringLiteral("套印檔案不存在: \r\n\r\n") + missing);
    EXPECT_EQ(tp.ui().shown[0].title, QStringLiteral("無法套印"));
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);

    const QString damaged = QStringLiteral(OSTIVA_TEST_DATA "/docx/truncated.docx");
    EXPECT_EQ(RunWordMailMerge(tp.program(), damaged, QStringLiteral("SELECT * FROM PersonalNMQ")),
              WordMergeResult::Failed);
    ASSERT_EQ(tp.ui().shown.size(), 2);
    EXPECT_TRUE(tp.ui().shown[1].text.startsWith(QStringLiteral("無法產生套印文件:\r\n\r\n")));
    EXPECT_TRUE(tp.ui().shown[1].text.contains(damaged));
    EXPECT_TRUE(tp.ui().opened.isEmpty());
    EXPECT_TRUE(outputFiles().isEmpty());
}

TEST_F(WordOutputTest, AFolderThatCannotBeWrittenIsReportedAndNothingClaimsSuccess) {
    addNmqRecord(QStringLiteral("X1"), QStringLiteral("甲"), QString());
    // 報表暫存 exists as a file, so neither the folder nor the document can be made.
    QFile blocker(ReportOutputFolder(tp.program()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString saved;
    EXPECT_EQ(
        RunWordMailMerge(tp.program(), nmqTemplate(), QStringLiteral("SELECT * FROM PersonalNMQ"), {}, {}, &saved),
        WordMergeResult::Failed);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_TRUE(tp.ui().shown[0].text.startsWith(QStringLiteral("無法產生套印文件:\r\n\r\n")));
    EXPECT_EQ(tp.ui().shown[0].icon, Ui::Icon::Critical);
    EXPECT_TRUE(saved.isEmpty());
    EXPECT_TRUE(tp.ui().opened.isEmpty());
}

TEST_F(WordOutputTest, OpenWordDocumentOpensAnExistingFileOnly) {
    const QString existing = nmqTemplate();
    EXPECT_TRUE(OpenWordDocument(tp.program(), existing));
    EXPECT_EQ(tp.ui().opened, QStringList{QFileInfo(existing).absoluteFilePath()});

    const QString missing = tp.program().path(QStringLiteral("沒有這個.docx"));
    EXPECT_FALSE(OpenWordDocument(tp.program(), missing));
    EXPECT_EQ(tp.ui().opened.size(), 1);
    ASSERT_EQ(tp.ui().shown.size(), 1);
    EXPECT_EQ(tp.ui().shown[0].text, QStringLiteral("以下檔案不存在: \r\n\r\n") + missing);
    EXPECT_EQ(tp.ui().shown[0].title, QStringLiteral("檔案不存在"));
}

TEST(NewOutputFilePath, StampsTheNameAndNeverReusesAFile) {
    QTemporaryDir dir;
    const QDateTime when(QDate(2024, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(NewOutputFilePath(dir.path(), QStringLiteral("a/b:c*?"), when, QStringLiteral("xlsx")),
              dir.filePath(QStringLiteral("a_b_c___20241231_235958.xlsx")));
    EXPECT_EQ(NewOutputFilePath(dir.path(), QString(), when, QStringLiteral("docx")),
              dir.filePath(QStringLiteral("報表_20241231_235958.docx")));
    for (const char* taken : {"報表_20241231_235958.docx", "報表_20241231_235958_2.docx"}) {
        QFile f(dir.filePath(QString::fromUtf8(taken)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(NewOutputFilePath(dir.path(), QStringLiteral("報表"), when, QStringLiteral("docx")),
              dir.filePath(QStringLiteral("報表_20241231_235958_3.docx")));
}
