// A list kept in a temporary file whose folder refuses it: the failure is said (the folder and the system's reason),
// said again at every later use of the list, and never read back as empty texts.

#include "common/DiskFaults.h"
#include "common/TestProgram.h"
#include "common/WriteDenial.h"
#include "core/SpooledRows.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

namespace {

struct ListSize {
    int rows;
    int chars;
    const char* why;
};
const ListSize kSizes[] = {
    {100, 10, "kept in the file's buffer"},
    {300, 30, "kept in the file's buffer"},
    {1000, 30, "past the file's buffer"},
    {40000, 30, "written while the rows are appended"},
};

QString textOf(int row, int chars) {
    return QStringLiteral("%1").arg(row, chars, 10, QLatin1Char('0'));
}

// Fills a list of one column and reads every text back: a text read must be the one written, and the folder's
// refusal must be said, naming the folder and the reason, then again by a copy of the list.
void expectRefusalSaid(const ListSize& size, const QString& reason) {
    SCOPED_TRACE(QStringLiteral("%1 × %2, %3").arg(size.rows).arg(size.chars).arg(size.why).toStdString());
    const QString folder = QDir::toNativeSeparators(QDir::tempPath());
    std::optional<SpooledRows> copy;
    QString said;
    int wrong = 0;
    try {
        SpooledRows rows(QStringList{QStringLiteral("a")});
        copy = rows;
        for (int r = 0; r < size.rows; ++r)
            rows.append(QStringList{textOf(r, size.chars)});
        for (int r = 0; r < size.rows; ++r)
            wrong += rows.text(r, 0) != textOf(r, size.chars);
    } catch (const SpoolError& e) {
        said = e.message();
    }
    EXPECT_EQ(wrong, 0);
    ASSERT_FALSE(said.isEmpty()) << "the folder refused the list and nothing said so";
    EXPECT_TRUE(said.startsWith(QStringLiteral("無法寫入暫存檔, 暫存資料夾: "))) << said.toStdString();
    EXPECT_TRUE(said.contains(folder)) << said.toStdString();
    EXPECT_TRUE(said.contains(reason)) << said.toStdString();
    ASSERT_TRUE(copy);
    EXPECT_THROW(copy->text(0, 0), SpoolError);
    EXPECT_THROW(copy->append(QStringList{QStringLiteral("x")}), SpoolError);
}

// The temporary folder, set for as long as it lives.
class TempFolderAs {
public:
    explicit TempFolderAs(const QString& path) : m_had(qEnvironmentVariableIsSet("TMPDIR")), m_old(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", QFile::encodeName(path));
    }
    ~TempFolderAs() {
        if (m_had)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
    }

private:
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST(SpoolFaults, FilesThatCannotGrowAreSaid) {
    for (const ListSize& size : kSizes) {
        FileSizeLimit limit(512);
        ASSERT_TRUE(limit.active());
        expectRefusalSaid(size, FileSizeLimit::reason());
    }
}

TEST(SpoolFaults, AFullTemporaryFolderIsSaid) {
    FullTempFolder full;
    if (!full.mounted()) GTEST_SKIP() << "this machine cannot mount a small file system for this test";
    for (const ListSize& size : kSizes)
        expectRefusalSaid(size, FullTempFolder::reason());
    // Nothing of the lists stays behind.
    EXPECT_EQ(QDir(full.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}

TEST(SpoolFaults, ATemporaryFolderThatTakesNoFileIsSaid) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TempFolderAs temp(dir.path());
    WriteDenial denial;
    denial.deny(dir.path());
    if (WriteDenial::writable(dir.path())) GTEST_SKIP() << "this machine cannot make a folder read-only for this test";
    try {
        SpooledRows rows(QStringList{QStringLiteral("a")});
        ADD_FAILURE() << "a list without its file";
    } catch (const SpoolError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("無法建立暫存檔, 暫存資料夾: ") +
                                           QDir::toNativeSeparators(dir.path())))
            << e.message().toStdString();
    }
}
