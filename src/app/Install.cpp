#include "app/Install.h"

#include "core/MainForm.h"
#include "core/Program.h"
#include "core/Schema.h"

// Each subsystem offers `void <subsystem>::install(MainForm&, Program&)` in its Install.h.
#include "healthlog/Install.h"
#include "keyin/Catalogue.h"
#include "keyin/Install.h"
#include "maternity/CellMap.h"
#include "maternity/Install.h"
#include "people/Install.h"
#include "reports/Install.h"
#include "reports/MultipleLevelStandards.h"
#include "risk/WorkTables.h"

void installSubsystems(MainForm& form, Program& program) {
    healthlog::install(form, program);
    people::install(form, program);
    keyin::install(form, program);
    maternity::install(form, program);
    reports::install(form, program);
}

void registerSubsystemTables(Program& program) {
    // The print table of the last grading exists from the first start, empty, so the person panel can list it.
    program.schema.addTable({risk::kToWord, risk::toWordColumns(), {}});
    // The three maternity assessment tables, built from their cell map.
    maternity::addAttachedTables(program);
    program.schema.addSeed(QStringLiteral("OnlineKeyIn"), [](Database& db) { keyin::seedOnlineKeyIn(db); });
    // A fresh program can grade before the nurse imports her own standards.
    program.schema.addSeed(QStringLiteral("MultipleLevel"), [](Database& db) { reports::seedMultipleLevel(db); });
}
