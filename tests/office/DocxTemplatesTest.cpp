// The shipped Word templates of DataBase/DOC/: each holds real MERGEFIELDs for exactly the columns its print table
// has, and a merge fills every one of them in a document python-docx reads.

#include "office/DocxMailMerge.h"

#include "DocxTestSupport.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace docxtest;

namespace {

QStringList nmqColumns() {
    QStringList c{QStringLiteral("XID"), QStringLiteral("年度代碼"), QStringLiteral("姓名"),
                  QStringLiteral("員工編號")};
    for (int i = 1; i <= 18; ++i)
        c.append(QStringLiteral("Basic%1").arg(i, 2, 10, QLatin1Char('0')));
    for (int i = 1; i <= 16; ++i)
        c.append(QStringLiteral("Q%1").arg(i, 3, 10, QLatin1Char('0')));
    c << QStringLiteral("ErgoTotal") << QStringLiteral("xFileName");
    return c;
}

// Every column of the Framingham work table (the staged health check, then the grades), then the overwork columns.
QStringList toWordColumns() {
    return QString::fromUtf8(
               "年度代碼 姓名 員工編號 部門代號 部門名稱 SEX 出生年月日 身高_cm 體重_kg 腰圍_cm 收縮壓 舒張壓 "
               "飯前血醣 總膽固醇 三酸甘油脂 高密度膽固醇 低密度膽固醇 抽菸習慣 既往病歷 健檢過程備註說明 "
               "年齡 年齡分組 BMI BMI分級 糖尿病 吸菸 總膽固醇_積分 總膽固醇_風險 低密度膽固醇_積分 "
               "低密度膽固醇_風險 Framingham_Risk_Score 心血管疾病風險等級 成人血壓分級 代謝症候群_分級 "
               "三高族群分級 異常工作負荷促發疾病_風險等級 I_Score I_Risk J_Score J_Risk 月加班時數等級 "
               "工作型態評估等級 工作型態內容說明 工作負荷等級")
        .split(QLatin1Char(' '));
}

// All text python-docx sees: paragraphs and table cells.
QString allText(const QJsonObject& doc) {
    QStringList parts = strings(doc[QStringLiteral("paragraphs")]);
    for (const QJsonValue& table : doc[QStringLiteral("tables")].toArray())
        for (const QJsonValue& row : table.toArray())
            parts += strings(row);
    return parts.join(QLatin1Char('\n'));
}

struct Shipped {
    const char* file;
    QStringList (*columns)();
};

class ShippedTemplate : public ::testing::TestWithParam<Shipped> {};

} // namespace

TEST_P(ShippedTemplate, HasAFieldForEachColumnAndMergesEveryOne) {
    const QString path = QStringLiteral(OSTIVA_DOC_DIR "/") + QString::fromUtf8(GetParam().file);
    office::DocxMailMerge merge;
    const office::OfficeStatus loaded = merge.load(path);
    ASSERT_TRUE(loaded) << loaded.message().toStdString();
    QStringList fields = merge.fieldNames();
    QStringList columns = GetParam().columns();
    fields.sort();
    columns.sort();
    EXPECT_EQ(fields.join(QLatin1Char(' ')).toStdString(), columns.join(QLatin1Char(' ')).toStdString());

    // Two people, every value marked with its column and row, one of them with a line break.
    std::vector<QMap<QString, QString>> rows(2);
    for (int r = 0; r < 2; ++r)
        for (const QString& c : columns)
            rows[size_t(r)][c] = QStringLiteral("〔%1-%2〕").arg(c).arg(r + 1);
    rows[0][columns.first()] += QStringLiteral("\n第二行 & <備註>");
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("merged.docx"));
    const office::OfficeStatus merged = office::MergeDocx(path, rows, out);
    ASSERT_TRUE(merged) << merged.message().toStdString();

    const QJsonObject doc = readWithPythonDocx(out);
    const QString text = allText(doc);
    EXPECT_FALSE(text.contains(QStringLiteral("«"))) << "a placeholder is left";
    EXPECT_EQ(doc[QStringLiteral("mergeFields")].toInt(), 0);
    for (const QString& c : columns)
        for (int r = 1; r <= 2; ++r)
            EXPECT_TRUE(text.contains(QStringLiteral("〔%1-%2〕").arg(c).arg(r))) << c.toStdString() << " row " << r;
    EXPECT_TRUE(text.contains(QStringLiteral("\n第二行 & <備註>")));
    EXPECT_EQ(doc[QStringLiteral("sections")].toInt(), 1);
}

INSTANTIATE_TEST_SUITE_P(DataBaseDoc, ShippedTemplate,
                         ::testing::Values(Shipped{"套表_NMQ評估問卷.docx", nmqColumns},
                                           Shipped{"套表_過負荷評估問卷.docx", toWordColumns}),
                         [](const ::testing::TestParamInfo<Shipped>& info) {
                             return info.index == 0 ? std::string("NMQ") : std::string("Overwork");
                         });
