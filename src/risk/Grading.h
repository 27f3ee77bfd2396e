#pragma once
// The health-check grading rules as plain functions over plain data: sex and measurements read from text, age and
// age band, BMI and its grade, the adult blood-pressure grade, the metabolic-syndrome and three-highs grades and the
// Framingham ten-year coronary risk with its cardiovascular class. No database, no messages.
//
// Missing data: a grade that needs a value which is empty, not a number or outside its plausible range (another unit
// or a typing slip: see plausibleRanges) reads "資料不足(<the items>)" naming the staging columns at fault — unless
// the values present already decide the grade (a diastolic pressure of 95 makes stage 2 hypertension whatever the
// systolic pressure is). A grade is never guessed from a partial record.

#include "risk/FraminghamTables.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace risk {

// The staging column names the missing-data texts name.
namespace item {
inline const QString sex = QStringLiteral("性別");
inline const QString birthDate = QStringLiteral("出生年月日");
inline const QString height = QStringLiteral("身高_cm");
inline const QString weight = QStringLiteral("體重_kg");
inline const QString waist = QStringLiteral("腰圍_cm");
inline const QString systolic = QStringLiteral("收縮壓");
inline const QString diastolic = QStringLiteral("舒張壓");
inline const QString glucose = QStringLiteral("飯前血醣");
inline const QString totalCholesterol = QStringLiteral("總膽固醇");
inline const QString triglyceride = QStringLiteral("三酸甘油脂");
inline const QString hdl = QStringLiteral("高密度膽固醇");
inline const QString ldl = QStringLiteral("低密度膽固醇");
inline const QString smoking = QStringLiteral("抽菸習慣");
} // namespace item

// The longest grade text: the stored health history keeps each grade in a column of 50 characters.
inline constexpr int kGradeTextLimit = 50;

// "資料不足(a、b)": the grade of a record that lacks the named items (each named once). A list too long for
// kGradeTextLimit (or the given limit) names as many items as fit and then the count of all:
// "資料不足(a、b、c等9項)". `total` counts items beyond those named (a list already shortened).
QString missingText(const QStringList& items, int limit = kGradeTextLimit, qsizetype total = 0);
// A grade text held to `limit` characters: a missing-data text names fewer items (and counts them all), any other
// text is cut.
QString shortenGradeText(const QString& grade, int limit);
bool isMissingText(const QString& grade);

// "男" or "1" → Male, "女" or "2" → Female (blanks around ignored); anything else Unknown.
Sex parseSex(const QString& text);
QString sexCode(Sex sex); // "1", "2" or ""
QString sexName(Sex sex); // "男", "女" or ""

// A measurement: the text must be a number (blanks around allowed) and above zero; an empty text, a word or a zero
// is no measurement (a zero height would divide by zero; a zero pressure is a blank form, not a reading).
std::optional<double> measurement(const QString& text);

// The values a staging column's measurement can take, bounds included, in the units graded (cm, kg, mmHg, mg/dL).
struct PlausibleRange {
    QString column; // an item:: name
    double lowest, highest;
};
// Every measured column, once. A value outside its range is another unit (mmol/L, metres, grams, inches) or a typing
// slip, and is graded as no measurement.
const std::vector<PlausibleRange>& plausibleRanges();
// measurement(text), refused also outside the column's plausible range (a column without a range: none applies).
std::optional<double> measurement(const QString& text, const QString& column);

enum class YesNo { No, Yes, Unknown };

// Current smoker, from the free text of 抽菸習慣. Empty, or a text saying the answer is not known ("不詳", "未填",
// "無資料", "?"), → Unknown (never "no": a blank form is not a non-smoker). Having quit ("已戒菸", "戒菸3年") counts
// as no, unless not done ("戒菸中", "嘗試戒菸", "未戒", "想戒", "戒不掉", "戒菸失敗", "準備戒菸"); a negation (無,
// 否, 沒, 不抽, 不吸, 不會, 從不, 不曾, 未, "no", "never", "0") is no; a mention of smoking or of an amount (有, 是,
// 抽, 吸, 菸, 煙, 支, 包, 偶爾, "yes", "1") is yes; any other text (another number, an unrelated word) is Unknown.
YesNo smokerFromText(const QString& text);

enum class Condition { Diabetes, Hypertension, Hyperlipidemia };
// Whether the history text names the condition as the person's own: a clause (split at ，,;；。 and line breaks)
// naming it (糖尿病/DM/diabetes/高血糖; 高血壓/HTN/hypertension; 高血脂/高膽固醇/血脂異常/高脂血/hyperlipidemia/
// dyslipidemia) counts unless a negation stands before the name in the clause (無, 否認, 沒有, 未曾, "no", "denies")
// or right after it ("糖尿病：無", "DM(-)"), the clause speaks of a relative (家族, 父, 母, 爸, 媽, 兄, 弟, 姊, 姐, 妹,
// 祖), or the name is a precursor or past state (糖尿病前期, 妊娠糖尿病, 高血壓前期). A negation of the treatment is
// no negation of the condition: "糖尿病(未服藥)", "高血壓未控制", "DM (no meds)" name it.
bool historyNames(const QString& history, Condition condition);

// Diabetes for the coronary risk: a fasting glucose of 126 mg/dL or more, or a history naming diabetes. Without a
// glucose value and without such a history the answer is Unknown.
YesNo diabetes(std::optional<double> fastingGlucose, const QString& history);

// The day ages are counted to: the health-check date when it is a date, else the day of grading.
QDate ageReferenceDate(const QString& checkDateText, const QDate& today);
// Completed years on the reference day; nullopt when the birth date is no date or gives an age below 15 or above
// 120 (no worker's age: the birth date is taken as mistyped).
std::optional<int> ageAt(const QString& birthDateText, const QDate& reference);
// "30-34" ... "70-74"; "<30(以30-34計)" below 30 (scored in the youngest band: a lower age only lowers the risk, so
// the result can overstate but never understate); ">74" above (not scored: see FraminghamResult).
QString ageBand(int age);

// BMI = weight ÷ (height in metres)², rounded to one decimal (halves away from zero); the grade is taken from the
// rounded value so that it agrees with the number shown.
std::optional<double> bmi(std::optional<double> heightCm, std::optional<double> weightKg);
// 體重過輕 <18.5 ≤ 正常範圍 <24 ≤ 過重 <27 ≤ 輕度肥胖 <30 ≤ 中度肥胖 <35 ≤ 重度肥胖.
QString bmiGrade(double bmiValue);

// The values of one health check, read from its texts.
struct Measures {
    Sex sex = Sex::Unknown;
    std::optional<int> age;
    std::optional<double> height, weight, waist, systolic, diastolic, glucose, totalCholesterol, triglyceride, hdl, ldl;
    YesNo smoker = YesNo::Unknown;
    QString history; // 既往病歷
};

// Adult blood pressure (2022 Taiwan hypertension guideline), the higher of the systolic and diastolic categories:
// 正常血壓 <120/<80; 血壓偏高 120-129 with <80; 第一期高血壓 130-139 or 80-89; 第二期高血壓 >=140 or >=90.
QString bloodPressureGrade(const Measures& m);

// Metabolic syndrome (Health Promotion Administration adult criteria), five criteria: waist >=90 cm men / >=80 cm
// women; systolic >=130 or diastolic >=85; fasting glucose >=100; triglyceride >=150; HDL <40 men / <50 women.
// None → "正常"; one or two → "代謝症候群高危險群"; three or more → "代謝症候群". Measurements only: a treatment
// named in the history does not count here.
QString metabolicSyndromeGrade(const Measures& m);

// Three highs (2007 national hypertension, hyperglycaemia and hyperlipidaemia survey definitions): 高血壓 systolic
// >=140 or diastolic >=90; 高血糖 fasting glucose >=126; 高血脂 total cholesterol >=240 or triglyceride >=200; each
// also when the history names the condition (the survey counts treated persons). "無三高", or "一高(高血壓)",
// "二高(高血壓、高血脂)", "三高(高血壓、高血糖、高血脂)".
QString threeHighGrade(const Measures& m);

// The coronary points and risk of one score sheet.
struct VersionScore {
    int points = 0;
    TableRisk risk;
};
std::optional<VersionScore> scoreVersion(const Measures& m, LipidVersion version);

struct FraminghamResult {
    std::optional<VersionScore> tc, ldl;
    // "N%", ">=N%" for the top class, "資料不足(...)" or "不適用(年齡超過74歲)".
    QString scoreText;
    // The cardiovascular class of scoreText (nullopt when it is no risk).
    std::optional<int> cardiovascularClass;
};
// The ten-year risk from both score sheets, keeping the higher (the open-ended top class ranks above its own number);
// a sheet whose lipid is missing is left out, so one lipid suffices. Needs sex, age, HDL, blood pressure (both, unless
// one alone decides the points), diabetes and smoking. Ages above 74 are outside the sheets and are not scored.
FraminghamResult framingham(const Measures& m);
QString riskText(const TableRisk& risk); // "N%" or ">=N%"

// The cardiovascular class of a risk text: "%" removed; a text beginning ">" → 2; a number below 10 → 0, from 10 to
// 20 inclusive → 1, above 20 → 2; anything else (empty, a missing-data text) → nullopt.
std::optional<int> cardiovascularClass(const QString& riskScoreText);

// A health check as staged, every value as text.
struct HealthCheck {
    QString sex, birthDate, checkDate;
    QString height, weight, waist, systolic, diastolic, glucose, totalCholesterol, triglyceride, hdl, ldl;
    QString smoking, history;
};
// Every measurement through its plausible range; a systolic pressure not above the diastolic one leaves both unread
// (a swapped or mistyped pair: which value is wrong cannot be told).
Measures readMeasures(const HealthCheck& h, const QDate& today);

// Every grade of one health check, as the texts the risk table holds.
struct HealthGrades {
    QString sexCode; // "1", "2" or ""
    QString age;     // completed years, or ""
    QString ageBand; // or "資料不足(出生年月日)"
    QString bmi;     // "0.0", or ""
    QString bmiGrade;
    QString diabetes;                             // "是", "否" or "資料不足(飯前血醣)"
    QString smoker;                               // "是", "否" or "資料不足(抽菸習慣)"
    QString tcPoints, tcRisk, ldlPoints, ldlRisk; // "" when the sheet was not scored
    QString riskScore;                            // Framingham_Risk_Score
    QString cardiovascularClass;                  // "0", "1", "2", or the reason there is none
    QString bloodPressureGrade, metabolicSyndromeGrade, threeHighGrade;
};
HealthGrades gradeHealthCheck(const HealthCheck& h, const QDate& today);

} // namespace risk
