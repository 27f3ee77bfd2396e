#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Helpers.h"
#include "core/Program.h"
#include "reports/PersonalRecords.h"

namespace reports {

void writeSectionsToWorkbook(Program& program, const std::vector<PersonSection>& sections) {
    (void)program;
    (void)sections;
}

} // namespace reports
