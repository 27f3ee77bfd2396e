// Reports whose lists pass through the temporary folder, run through the real window while that folder refuses
// writes: the report ends with a message naming the folder and the system's reason, leaves no workbook, never says
// "完成", and the same report runs to its end once the folder takes files again.

#include "common/DiskFaults.h"
#include "common/TestProgram.h"
#include "reports/LogReportTestSupport.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>

using namespace reports::test;

namespace {

// Occupational injuries of severity 3 in the period, each with a long description: every list of both reports runs
// to a few hundred kilobytes.
void seedLongEntries(Database& db) {
    std::vector<QVariantList> rows;
    for (int n = 0; n < 400; ++n)
        rows.push_back({QStringLiteral("L%1").arg(n), "2019/06/01",
                        QStringLiteral("08:%1").arg(n % 60, 2, 10, QChar('0')), "員工",
                        QStringLiteral("E%1").arg(n % 7), QStringLiteral("人員%1").arg(n % 7), "製造部", "Y01", "3",
                        QStringLiteral("第 %1 件: ").arg(n) + QString(200, u'述')});
    db.execBatch(
        "INSERT INTO NursingBook (SerialX, 記錄日期, 記錄時間, 人員身份, 員工編號, 人員姓名, 所屬部門, 事件代碼, "
        "嚴重代碼, 事件發生經過與症狀描述) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        rows);
}

// The refusal in force while a report runs: files of this process limited to 64 KiB, or a full temporary folder.
class Refusal {
public:
    explicit Refusal(bool fullFolder) : m_fullFolder(fullFolder) {}
    // Starts refusing; false when this machine cannot (the variant is then skipped).
    bool start() {
        if (m_fullFolder) {
            m_full.emplace();
            if (!m_full->mounted()) return false;
        } else {
            m_limit.emplace(64 * 1024);
            if (!m_limit->active()) return false;
        }
        m_folder = QDir::toNativeSeparators(QDir::tempPath());
        return true;
    }
    void stop() {
        m_limit.reset();
        m_full.reset();
    }
    // What the message must say: the folder and the system's reason.
    QString expected() const {
        return QStringLiteral("無法寫入暫存檔, 暫存資料夾: %1 (%2)")
            .arg(m_folder, m_fullFolder ? FullTempFolder::reason() : FileSizeLimit::reason());
    }
    const char* name() const { return m_fullFolder ? "a full temporary folder" : "files limited to 64 KiB"; }

private:
    bool m_fullFolder;
    std::optional<FileSizeLimit> m_limit;
    std::optional<FullTempFolder> m_full;
    QString m_folder;
};

class ReportTempFaults : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        tp.ui().clock = QDateTime(QDate(2025, 6, 1), QTime(9, 30, 0));
        ASSERT_TRUE(tp.start());
        seedSmallLog(tp.db());
        seedLongEntries(tp.db());
        w = &tp.window();
    }
    void open(const char* item) {
        w->toolbarButton("ShowReport")->trigger();
        QAction* a = tp.find<QAction>(QString::fromUtf8(item));
        ASSERT_TRUE(a) << item;
        a->trigger();
        ASSERT_TRUE(w->FrameReport->isVisible());
        tp.find<QLineEdit>("Text5_0")->setText(kFrom);
        tp.find<QLineEdit>("Text5_1")->setText(kTo);
    }
    void press(bool asksKeyword) {
        tp.ui().answerNext(Ui::Answer::Yes);
        if (asksKeyword) tp.ui().inputNext(std::nullopt);
        tp.find<QPushButton>("ButtonShowReport")->click();
    }
    QStringList filesIn(const QString& folder) {
        return QDir(tp.folder() + "/" + folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Runs the report while the folder refuses; then checks what was said and that the window runs it again.
    void runRefused(const char* item, const QString& caption, bool asksKeyword, const QStringList& outputFolders) {
        Refusal refusal(GetParam());
        SCOPED_TRACE(refusal.name());
        open(item);
        if (!refusal.start()) GTEST_SKIP() << "this machine cannot mount a small file system for this test";
        press(asksKeyword);
        refusal.stop();

        const QStringList said = tp.ui().messageTexts();
        ASSERT_FALSE(said.isEmpty());
        EXPECT_TRUE(said.last().startsWith(QStringLiteral("「") + caption + QStringLiteral("」無法完成:")) ||
                    said.last().startsWith(QStringLiteral("無法儲存 Excel 活頁簿:")))
            << said.last().toStdString();
        EXPECT_TRUE(said.last().contains(refusal.expected())) << said.last().toStdString();
        EXPECT_FALSE(said.contains(caption + QStringLiteral(" 完成")));
        for (const QString& folder : outputFolders)
            EXPECT_EQ(filesIn(folder), QStringList()) << folder.toStdString();
        EXPECT_TRUE(w->FrameReport->isVisible());
        EXPECT_TRUE(tp.find<QPushButton>("ButtonShowReport")->isEnabled());

        // The folder takes files again: the same report runs to its end.
        press(asksKeyword);
        EXPECT_EQ(tp.ui().messageTexts().last(), caption + QStringLiteral(" 完成"));
        for (const QString& folder : outputFolders)
            EXPECT_EQ(filesIn(folder).size(), 1) << folder.toStdString();
    }

    TestProgram tp{true};
    MainForm* w = nullptr;
};

} // namespace

TEST_P(ReportTempFaults, HighRiskPersons) {
    runRefused("QVStatisticaAdvanceNursingRecord", QStringLiteral("高風險人員統計分析"), false,
               {QStringLiteral("報表暫存")});
}

// 月季年報表 writes its category workbook, then the summary form with its three lists.
TEST_P(ReportTempFaults, LogSummaryForm) {
    runRefused("QVStatisticaRegulation", QStringLiteral("月季年報表"), true,
               {QStringLiteral("DataBase/健康服務紀錄統計")});
}

INSTANTIATE_TEST_SUITE_P(Refusals, ReportTempFaults, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "FullTemporaryFolder" : "FilesLimited";
                         });
