// Writes that fail under the writers: the workbook writer's temporary files in a temporary folder that refuses them,
// a streamed cell that cannot be given, a small file whose write fails only when it is flushed. Each is said (or the
// exception reaches the caller) and no file is left behind, never a workbook with empty parts.

#include "DocxTestSupport.h"
#include "XlsxTestSupport.h"
#include "common/DiskFaults.h"
#include "office/DocxMailMerge.h"
#include "office/DocxPackage.h"
#include "office/XlsxPackage.h"
#include "office/XlsxWorkbook.h"

#include <QDir>
#include <QTemporaryDir>
#include <iostream>
#include <optional>
#include <stdexcept>

using namespace office;
using namespace xlsxtest;

namespace {

// A sheet whose rows run to some hundred kilobytes in the writer's temporary files and pack to a few.
void fillRows(XlsxWorkbook& book, int rows) {
    XlsxSheet& sheet = book.addSheet(QStringLiteral("清單"));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < 5; ++c)
            sheet.setText(r, c, QStringLiteral("同一段文字同一段文字"));
}

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(TempFileFaults, AWorkbookWhoseTemporaryFilesFailIsNotWritten) {
    QTemporaryDir out; // made before the temporary folder fails
    ASSERT_TRUE(out.isValid());
    const QString target = out.filePath(QStringLiteral("清單.xlsx"));
    for (const bool full : {false, true}) {
        SCOPED_TRACE(full ? "a full temporary folder" : "files limited to 64 KiB");
        std::optional<FullTempFolder> fullFolder;
        std::optional<FileSizeLimit> limit;
        if (full) {
            fullFolder.emplace();
            if (!fullFolder->mounted()) {
                std::cout << "[ SKIPPED  ] the full temporary folder: this machine cannot mount one\n";
                continue;
            }
        }
        XlsxWorkbook book;
        fillRows(book, full ? 50 : 2000);
        const int descriptors = openDescriptors();
        if (!full) limit.emplace(64 * 1024);
        ASSERT_TRUE(full || limit->active());
        const OfficeStatus saved = book.save(target);
        limit.reset();
        const QString folder = QDir::toNativeSeparators(QDir::tempPath());
        const QString reason = full ? FullTempFolder::reason() : FileSizeLimit::reason();
        fullFolder.reset();
        ASSERT_FALSE(saved) << "a workbook written from temporary files that were never written";
        EXPECT_EQ(saved.code(), OfficeError::WriteFailed);
        EXPECT_TRUE(saved.message().contains(folder)) << saved.message().toStdString();
        EXPECT_TRUE(saved.message().contains(reason)) << saved.message().toStdString();
        EXPECT_EQ(filesIn(out.path()), QStringList());
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    // The same workbook where the folder takes it.
    XlsxWorkbook book;
    fillRows(book, 2000);
    ASSERT_TRUE(book.save(target));
    EXPECT_EQ(
        openpyxl(target, "ws=wb.worksheets[0]\nout['rows']=ws.max_row\nout['e']=ws['E2000'].value\n")["rows"].toInt(),
        2000);
}

TEST(TempFileFaults, AStreamedCellThatCannotBeGivenLeavesNoFile) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    auto failing = [](int row, int) -> QString {
        if (row == 150) throw std::runtime_error("暫存檔無法讀取");
        return QStringLiteral("第 %1 列").arg(row);
    };

    // The workbook writer: the exception reaches the caller, no file stays and nothing is left open.
    const int descriptors = openDescriptors();
    {
        XlsxWorkbook book;
        book.addSheet(QStringLiteral("清單")).streamTextBlock(1, 0, 300, 3, failing, 0);
        EXPECT_THROW((void)book.save(out.filePath(QStringLiteral("新.xlsx"))), std::runtime_error);
    }
    EXPECT_EQ(filesIn(out.path()), QStringList());
    EXPECT_EQ(openDescriptors(), descriptors);

    // A package saved with a streamed table: the exception crosses no library and the older file stays.
    XlsxWorkbook blank;
    blank.addSheet(QStringLiteral("清單"));
    const QString path = out.filePath(QStringLiteral("範本.xlsx"));
    ASSERT_TRUE(blank.save(path));
    const QByteArray before = readFile(path);
    XlsxPackage package;
    ASSERT_TRUE(package.open(path));
    const std::vector<int> widths{6, 6, 6}; // known, so the body is read only when saved
    ASSERT_TRUE(package.streamTable(0, {"甲", "乙", "丙"}, 300, failing, &widths));
    EXPECT_THROW((void)package.saveAs(path), std::runtime_error);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(filesIn(out.path()), QStringList{"範本.xlsx"});
}

// A file small enough to stay in the writer's buffer fails only when flushed: that failure is said, and the older
// file stays.
TEST(TempFileFaults, ASmallFileThatCannotBeFlushedIsNotSaved) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    XlsxWorkbook small;
    small.addSheet(QStringLiteral("表")).setText(0, 0, QStringLiteral("原本"));
    const QString xlsx = out.filePath(QStringLiteral("表.xlsx"));
    ASSERT_TRUE(small.save(xlsx));
    const QByteArray xlsxBefore = readFile(xlsx);
    const QString docxTemplate = out.filePath(QStringLiteral("範本.docx"));
    ASSERT_TRUE(docxtest::writeFile(docxTemplate, docxtest::bytesOf(docxtest::makeTemplate(
                                                      QStringLiteral("<w:p><w:r><w:t>一頁</w:t></w:r></w:p>")))));
    const QString docx = out.filePath(QStringLiteral("套印.docx"));

    XlsxPackage package;
    ASSERT_TRUE(package.open(xlsx));
    ASSERT_TRUE(package.setCellText(0, 0, 0, QStringLiteral("改過")));
    OfficeStatus savedXlsx = OfficeStatus::success();
    OfficeStatus savedDocx = OfficeStatus::success();
    {
        FileSizeLimit limit(1024);
        ASSERT_TRUE(limit.active());
        savedXlsx = package.saveAs(xlsx);
        savedDocx = MergeDocx(docxTemplate, {QStringLiteral("甲")}, {{QStringLiteral("一")}}, docx);
    }
    ASSERT_FALSE(savedXlsx) << "a workbook said to be saved whose bytes never reached the disk";
    EXPECT_TRUE(savedXlsx.message().contains(FileSizeLimit::reason())) << savedXlsx.message().toStdString();
    EXPECT_EQ(readFile(xlsx), xlsxBefore);
    ASSERT_FALSE(savedDocx) << "a document said to be written whose bytes never reached the disk";
    EXPECT_TRUE(savedDocx.message().contains(FileSizeLimit::reason())) << savedDocx.message().toStdString();
    EXPECT_FALSE(QFileInfo::exists(docx));
    EXPECT_EQ(filesIn(out.path()), (QStringList{"範本.docx", "表.xlsx"}));
}
