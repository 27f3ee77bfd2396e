#pragma once
// Helpers of the spreadsheet tests: a scratch folder, and Debian's openpyxl (an independent reader) run on a
// workbook with its findings returned as JSON.

#include "common/TestProgram.h"
#include "office/Zip.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace xlsxtest {

// A zip archive of the entries; fails the test when it cannot be built.
inline QByteArray zipped(const std::vector<office::ZipEntry>& entries) {
    QByteArray archive;
    const office::OfficeStatus built = office::buildZip(entries, &archive);
    EXPECT_TRUE(built) << built.message().toStdString();
    return archive;
}

// Runs `body` with `wb` loaded from the workbook at `path` (sys.argv[1]); `body` fills the dict `out`, printed as
// JSON. Fails the test when openpyxl refuses the workbook.
inline QJsonObject openpyxl(const QString& path, const QString& body, bool dataOnly = false) {
    const QString script = QStringLiteral("import sys, json, openpyxl\n"
                                          "wb = openpyxl.load_workbook(sys.argv[1], data_only=%1)\n"
                                          "out = {}\n")
                               .arg(dataOnly ? "True" : "False") +
                           body + QStringLiteral("\nprint(json.dumps(out, ensure_ascii=False))\n");
    const QString text = runPython(script, {path});
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8());
    EXPECT_TRUE(doc.isObject()) << text.toStdString();
    return doc.object();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// The names of the files in a folder, hidden ones included (a left-over temporary file would show here).
inline QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace xlsxtest
