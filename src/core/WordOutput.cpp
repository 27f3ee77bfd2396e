#include "core/WordOutput.h"

#include "core/Database.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "office/DocxMailMerge.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kCannotMergeTitle = QStringLiteral("無法套印");

} // namespace

QString ReportOutputFolder(Program& program) {
    return program.path(QStringLiteral("報表暫存"));
}

QString NewOutputFilePath(const QString& folder, const QString& name, const QDateTime& when, const QString& extension) {
    QString base = name.trimmed();
    if (cleanFileNamePart(base).isEmpty()) base = QStringLiteral("報表");
    const QString stamp = QLatin1Char('_') + when.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QDir dir(folder);
    // A long name (an employee number, a case name) is cut to fit; the time stamp and the extension stay.
    QString candidate = dir.filePath(fitFileName(base, stamp + QLatin1Char('.') + extension));
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = dir.filePath(
            fitFileName(base, stamp + QLatin1Char('_') + QString::number(n) + QLatin1Char('.') + extension));
    return candidate;
}

WordMergeResult RunWordMailMerge(Program& program, const QString& templatePath, const QString& sql,
                                 const QVariantList& params, const QString& outputName, QString* savedPath) {
    if (savedPath) savedPath->clear();
    Ui& ui = program.ui();
    if (!QFileInfo(templatePath).isFile()) {
        ui.message(QStringLiteral("套印檔案不存在: \r\n\r\n") + templatePath, kCannotMergeTitle, Ui::Icon::Critical);
        return WordMergeResult::Failed;
    }
    office::DocxMailMerge merge;
    if (const office::OfficeStatus loaded = merge.load(templatePath); !loaded) {
        ui.message(QStringLiteral("無法產生套印文件:\r\n\r\n") + loaded.message(), kCannotMergeTitle,
                   Ui::Icon::Critical);
        return WordMergeResult::Failed;
    }

    const Recordset rs = program.DBConn.query(sql, params);
    if (rs.recordCount() == 0) {
        ui.message(office::noMergeRowsText(), {}, Ui::Icon::Information);
        return WordMergeResult::NoRows;
    }
    std::vector<QStringList> rows;
    rows.reserve(size_t(rs.recordCount()));
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList values;
        values.reserve(rs.fieldCount());
        for (int c = 0; c < rs.fieldCount(); ++c)
            values.append(rs.text(r, c));
        rows.push_back(std::move(values));
    }

    const QString folder = ReportOutputFolder(program);
    if (!QDir().mkpath(folder)) {
        ui.message(QStringLiteral("無法產生套印文件:\r\n\r\n無法建立資料夾: ") + folder, kCannotMergeTitle,
                   Ui::Icon::Critical);
        return WordMergeResult::Failed;
    }
    const QString name = outputName.isEmpty() ? QFileInfo(templatePath).completeBaseName() : outputName;
    const QString path = NewOutputFilePath(folder, name, ui.now(), QStringLiteral("docx"));
    if (const office::OfficeStatus written = merge.mergeToFile(rs.fieldNames(), rows, path); !written) {
        ui.message(QStringLiteral("無法產生套印文件:\r\n\r\n") + written.message(), kCannotMergeTitle,
                   Ui::Icon::Critical);
        return WordMergeResult::Failed;
    }
    if (savedPath) *savedPath = path;
    ui.openWithDesktop(path);
    return WordMergeResult::Opened;
}

bool OpenWordDocument(Program& program, const QString& path) {
    if (!QFileInfo(path).isFile()) {
        program.ui().message(QStringLiteral("以下檔案不存在: \r\n\r\n") + path, QStringLiteral("檔案不存在"),
                             Ui::Icon::Critical);
        return false;
    }
    program.ui().openWithDesktop(QFileInfo(path).absoluteFilePath());
    return true;
}
