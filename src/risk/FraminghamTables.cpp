#include "risk/FraminghamTables.h"

#include <cstddef>
#include <limits>

// Source of every number in this file: Wilson PWF, D'Agostino RB, Levy D, Belanger AM, Silbershatz H, Kannel WB.
// "Prediction of Coronary Heart Disease Using Risk Factor Categories." Circulation 1998;97:1837-1847,
// doi:10.1161/01.CIR.97.18.1837 — the score sheets for men and women (total-cholesterol and LDL columns) and the
// points-to-risk tables printed beside them. Blood-pressure categories are those of JNC-V that the sheets use.

namespace risk {

namespace {
constexpr double kNone = -std::numeric_limits<double>::infinity();
}

int Bands::of(double value) const {
    int band = 0;
    for (int i = 1; i < 5; ++i)
        if (value >= lower[std::size_t(i)]) band = i;
    return band;
}

const Bands kTotalCholesterolBands{{kNone, 160, 200, 240, 280}};
const Bands kLdlBands{{kNone, 100, 130, 160, 190}}; // the sheet prints "160-190"; 190 opens the next band
const Bands kHdlBands{{kNone, 35, 45, 50, 60}};
const Bands kSystolicBands{{kNone, 120, 130, 140, 160}};
const Bands kDiastolicBands{{kNone, 80, 85, 90, 100}};

namespace {

//                       age 30-34 .. 70-74                lipid bands         HDL bands          BP categories
const PointSheet kMenTc{{-1, 0, 1, 2, 3, 4, 5, 6, 7}, {-3, 0, 1, 2, 3}, {2, 1, 0, 0, -2}, {0, 0, 1, 2, 3}, 2, 2};
const PointSheet kMenLdl{{-1, 0, 1, 2, 3, 4, 5, 6, 7}, {-3, 0, 0, 1, 2}, {2, 1, 0, 0, -1}, {0, 0, 1, 2, 3}, 2, 2};
const PointSheet kWomenTc{{-9, -4, 0, 3, 6, 7, 8, 8, 8}, {-2, 0, 1, 1, 3}, {5, 2, 1, 0, -3}, {-3, 0, 0, 2, 3}, 4, 2};
const PointSheet kWomenLdl{{-9, -4, 0, 3, 6, 7, 8, 8, 8}, {-2, 0, 0, 2, 2}, {5, 2, 1, 0, -2}, {-3, 0, 0, 2, 3}, 4, 2};

// Men TC:   <=-3 → 2 ... 13 → 45, >=14 → >=53.   Men LDL:   <=-3 → 1 ... 13 → 47, >=14 → >=56.
// Women TC: <=-2 → 1 ... 16 → 24, >=17 → >=27.   Women LDL: <=-2 → 1 ... 16 → 27, >=17 → >=32.
const RiskTable kMenTcRisk{-3, {2, 2, 2, 3, 3, 4, 5, 7, 8, 10, 13, 16, 20, 25, 31, 37, 45}, 14, 53};
const RiskTable kMenLdlRisk{-3, {1, 2, 2, 3, 4, 4, 6, 7, 9, 11, 14, 18, 22, 27, 33, 40, 47}, 14, 56};
const RiskTable kWomenTcRisk{-2, {1, 2, 2, 2, 3, 3, 4, 4, 5, 6, 7, 8, 10, 11, 13, 15, 18, 20, 24}, 17, 27};
const RiskTable kWomenLdlRisk{-2, {1, 2, 2, 2, 3, 3, 4, 5, 6, 7, 8, 9, 11, 13, 15, 17, 20, 24, 27}, 17, 32};

} // namespace

const PointSheet& pointSheet(Sex sex, LipidVersion version) {
    if (sex == Sex::Female) return version == LipidVersion::Ldl ? kWomenLdl : kWomenTc;
    return version == LipidVersion::Ldl ? kMenLdl : kMenTc;
}

const RiskTable& riskTable(Sex sex, LipidVersion version) {
    if (sex == Sex::Female) return version == LipidVersion::Ldl ? kWomenLdlRisk : kWomenTcRisk;
    return version == LipidVersion::Ldl ? kMenLdlRisk : kMenTcRisk;
}

TableRisk lookUpRisk(const RiskTable& table, int points) {
    if (points >= table.top) return {table.topRisk, true};
    const int index = points <= table.lowest ? 0 : points - table.lowest;
    return {table.risk[std::size_t(index)], false};
}

} // namespace risk
