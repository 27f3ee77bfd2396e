#pragma once
// What several grading tests share: every grade of a graded health check, by name.

#include "risk/Grading.h"

namespace risk::test {

using Grade = QString HealthGrades::*;
struct NamedGrade {
    const char* name;
    Grade grade;
};
inline const NamedGrade kGrades[] = {
    {"age band", &HealthGrades::ageBand},
    {"BMI grade", &HealthGrades::bmiGrade},
    {"diabetes", &HealthGrades::diabetes},
    {"smoker", &HealthGrades::smoker},
    {"risk score", &HealthGrades::riskScore},
    {"class", &HealthGrades::cardiovascularClass},
    {"blood pressure", &HealthGrades::bloodPressureGrade},
    {"metabolic syndrome", &HealthGrades::metabolicSyndromeGrade},
    {"three highs", &HealthGrades::threeHighGrade},
};

} // namespace risk::test
