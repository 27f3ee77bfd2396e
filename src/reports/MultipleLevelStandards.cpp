#include "reports/MultipleLevelStandards.h"

#include "core/Database.h"

namespace reports {

const std::vector<DefaultStandard>& defaultMultipleLevelStandards() {
    // Blood pressure by the 2022 Taiwan guideline (normal, elevated, stage 1, stage 2) with ≥160/≥100 as the top
    // level; glucose, cholesterol and triglycerides by the health administration's ideal and disease thresholds; LDL
    // and total cholesterol by the Framingham bands; HDL and waist by sex; BMI by the adult classification.
    static const std::vector<DefaultStandard> rows = {
        {"收縮壓", "0", {"<120", "<130", "<140", "<160", ">=160"}},
        {"舒張壓", "0", {"<80", "NA", "<90", "<100", ">=100"}},
        {"飯前血醣", "0", {"<100", "<126", ">=126", "NA", "NA"}},
        {"總膽固醇", "0", {"<200", "<240", "<280", ">=280", "NA"}},
        {"三酸甘油脂", "0", {"<150", "<200", ">=200", "NA", "NA"}},
        {"低密度膽固醇", "0", {"<100", "<130", "<160", "<190", ">=190"}},
        {"高密度膽固醇", "1", {">=40", ">=35", "<35", "NA", "NA"}},
        {"高密度膽固醇", "2", {">=50", ">=35", "<35", "NA", "NA"}},
        {"BMI", "0", {"18.5~23.9", "<27", "<30", "<35", ">=35"}},
        {"腰圍", "1", {"<90", ">=90", "NA", "NA", "NA"}},
        {"腰圍", "2", {"<80", ">=80", "NA", "NA", "NA"}},
    };
    return rows;
}

void seedMultipleLevel(Database& db) {
    std::vector<QVariantList> rows;
    for (const DefaultStandard& s : defaultMultipleLevelStandards()) {
        QVariantList row{QString::fromUtf8(s.item), QString::fromUtf8(s.sex)};
        for (const char* level : s.levels)
            row.append(QString::fromUtf8(level));
        rows.push_back(std::move(row));
    }
    db.execBatch(QStringLiteral("INSERT INTO \"MultipleLevel\" (\"項目名稱\", \"性別\", \"Level_0\", \"Level_1\", "
                                "\"Level_2\", \"Level_3\", \"Level_4\") VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 rows);
}

} // namespace reports
