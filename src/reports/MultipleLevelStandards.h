#pragma once
// The grading standards a new database starts with, so that a fresh program can grade before the nurse imports her
// own: blood pressure, fasting glucose, the lipids, BMI and waist, with the cut-offs of Taiwan's adult standards.
// The levels are applied from 0 upwards and a value takes the first level it meets, so "<130" at level 1 reads
// "from the end of level 0 up to 130". The shipped example workbook holds the same rows.

#include <QString>
#include <array>
#include <vector>

class Database;

namespace reports {

struct DefaultStandard {
    const char* item;
    const char* sex;
    std::array<const char*, 5> levels; // "NA": level not used
};
const std::vector<DefaultStandard>& defaultMultipleLevelStandards();

// Inserts the default rows into a new MultipleLevel (the schema step runs it when it creates the table).
void seedMultipleLevel(Database& db);

} // namespace reports
