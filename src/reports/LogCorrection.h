#pragma once
// The personal-data correction of the report kind "AddEmpl" ("個資校正"): the log entries of a period whose employee
// number is in the outside personnel database Vardel take the person type "員工", Vardel's name and its department
// ("DepName_RealDepCode").
//
// The link: VardelDBPath is an SQLite file holding the table EMPL (EMPLNO, NAME, DepName, RealDepCode); it is
// attached for the run under the schema EmplTablePrefix names ("Vardel." when empty) and detached afterwards.

#include "reports/ReportFrame.h"
#include "reports/ReportPeriod.h"

#include <QString>
#include <QStringList>
#include <optional>

class Database;
class Program;

namespace reports {

// The schema name of a table prefix: "Vardel." and "[Vardel]." give "Vardel", "" gives "Vardel"; nullopt for a
// prefix that is no plain name (letters, digits and "_", not starting with a digit).
std::optional<QString> vardelSchemaName(const QString& emplTablePrefix);

// The personnel file attached for as long as this lives (an attachment found in place is left), with EMPL checked
// for the columns a use needs. When the link cannot serve (no path, a prefix that is no plain name, a missing file,
// a column missing from EMPL) refusal() says why, in the words of the message the nurse sees. Throws DbError for a
// failing ATTACH.
class VardelLink {
public:
    VardelLink(Database& db, const QString& vardelPath, const QString& emplTablePrefix, const QStringList& columns);
    ~VardelLink();
    VardelLink(const VardelLink&) = delete;
    VardelLink& operator=(const VardelLink&) = delete;

    bool ready() const { return m_refusal.isEmpty(); }
    const QString& refusal() const { return m_refusal; }
    // The quoted EMPL table of the attached file, for a statement.
    QString empl() const;

private:
    void detach();

    Database& m_db;
    QString m_schema;
    QString m_refusal;
    bool m_attached = false;
};

// Why a correction could not run (the text of the message the builder shows), or the number of entries corrected.
struct LogCorrection {
    qint64 corrected = 0;
    QString refusal; // empty when the correction ran
};

// Attaches the personnel file, checks its EMPL columns and runs the one UPDATE over the period (entries without an
// employee number are never matched). Throws DbError for a failing statement; the file is detached in any case.
LogCorrection correctLogPersonalData(Database& db, const QString& vardelPath, const QString& emplTablePrefix,
                                     const ReportPeriod& period);

// The builder the report frame runs: the link check, the period check, the correction, then the newest 100
// entries reloaded into the log list.
ReportOutcome CorrectLogPersonalData(const ReportRequest& request);

} // namespace reports
