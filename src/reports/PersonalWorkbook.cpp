#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "reports/PersonalRecords.h"

namespace reports {

void writeSectionsToWorkbook(Program& program, const std::vector<PersonSection>& sections) {
    if (!program.excel) return;
    for (size_t k = 0; k < sections.size(); ++k) {
        office::XlsxSheet& sheet = program.excel->activate(int(k) + 1);
        WriteRecordsetToSheet(program, sectionRecordset(sections[k]), sheet);
        sheet.setName(sections[k].sheetName);
        letEventsThrough();
    }
}

} // namespace reports
