#pragma once
// The log list TraceLV: filled from one statement over NursingBook, at most 1000 rows, its columns headed by the
// statement's field names (NursingBookColumns gives the usual select list, SerialX first).

#include <QString>
#include <QVariantList>

class Program;

namespace healthlog {

// How a load ended. Only Loaded changes the list.
enum class LogListResult { Loaded, NoSerialX, NoRows, TooManyRows };

// The largest number of rows the log list takes.
constexpr int kLogListLimit = 1000;
// The number of entries the list shows at start-up and after a save.
constexpr int kNewestEntries = 100;

// Fills TraceLV from the statement (values bound to its "?" in order) and shows the row count in the status bar.
// Refuses, with a message, when NursingBook has no SerialX column, when nothing is found ("無資料") and when the
// statement finds more than 1000 rows; a refusal leaves the list as it was.
LogListResult LoadNursingLogList(Program& program, const QString& sql, const QVariantList& params = {});

// The statement of the newest entries (100 unless told), newest first.
QString newestEntriesSql(const Program& program, int count = kNewestEntries);
// Loads the newest 100 entries (start-up and after a save).
LogListResult LoadNewestNursingLog(Program& program);

} // namespace healthlog
