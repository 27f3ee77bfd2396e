#pragma once
// The categorical Framingham score sheets for ten-year coronary heart disease risk, as data: points per risk-factor
// category for each sex and each lipid version, and points → risk. Every number of the grading's coronary risk lives
// here and nowhere else.

#include <array>

namespace risk {

enum class Sex { Unknown, Male, Female };
// The two score sheets of each sex: scored on total cholesterol or on LDL cholesterol.
enum class LipidVersion { TotalCholesterol, Ldl };

// Category bounds (mg/dL, mmHg, years): a value falls in the last band whose lower bound it reaches, so every
// non-integer laboratory value lands in exactly one band (35 <= HDL < 45 is the second HDL band).
struct Bands {
    std::array<double, 5> lower; // lower[0] is -infinity in effect; lower[i] opens band i
    int of(double value) const;  // 0..4
};

extern const Bands kTotalCholesterolBands; // <160, 160-199, 200-239, 240-279, >=280
extern const Bands kLdlBands;              // <100, 100-129, 130-159, 160-189, >=190
extern const Bands kHdlBands;              // <35, 35-44, 45-49, 50-59, >=60
extern const Bands kSystolicBands;         // <120, 120-129, 130-139, 140-159, >=160
extern const Bands kDiastolicBands;        // <80, 80-84, 85-89, 90-99, >=100

constexpr int kFirstAgeBandStart = 30; // nine five-year bands, 30-34 .. 70-74
constexpr int kLastAgeBandEnd = 74;

// One score sheet: points per category. Blood pressure is scored by the higher of the systolic and the diastolic
// category (optimal, normal, high normal, stage I, stage II-IV).
struct PointSheet {
    std::array<int, 9> age;
    std::array<int, 5> lipid; // the total-cholesterol or the LDL bands, by version
    std::array<int, 5> hdl;
    std::array<int, 5> bloodPressure;
    int diabetes;
    int smoker;
};

// Points total → ten-year risk in percent. Totals at or below `lowest` take risk[0]; totals at or above `top` take
// topRisk, which the sheet prints as ">=" topRisk.
struct RiskTable {
    int lowest;
    std::array<int, 20> risk; // risk for lowest, lowest + 1, ... up to top - 1 (unused cells are 0)
    int top;
    int topRisk;
};

const PointSheet& pointSheet(Sex sex, LipidVersion version); // sex must be Male or Female
const RiskTable& riskTable(Sex sex, LipidVersion version);

// The risk of a points total: the percent and whether it is the open-ended top class.
struct TableRisk {
    int percent = 0;
    bool top = false;
};
TableRisk lookUpRisk(const RiskTable& table, int points);

} // namespace risk
