#include "app/Install.h"

#include "core/MainForm.h"
#include "core/Program.h"
#include "core/Schema.h"

#include "healthlog/Install.h"
#include "keyin/Catalogue.h"
#include "keyin/Install.h"
#include "people/Install.h"
#include "reports/Install.h"
#include "risk/WorkTables.h"

// Each subsystem offers `void <subsystem>::install(MainForm&, Program&)` in its Install.h. The maternity subsystem
// is wired in once its folder offers one.
#if __has_include("maternity/Install.h")
#include "maternity/Install.h"
#define OSTIVA_HAVE_MATERNITY
#endif

void installSubsystems(MainForm& form, Program& program) {
    healthlog::install(form, program);
    people::install(form, program);
    keyin::install(form, program);
#ifdef OSTIVA_HAVE_MATERNITY
    maternity::install(form, program);
#endif
    reports::install(form, program);
}

void registerSubsystemTables(Program& program) {
    // The print table of the last grading exists from the first start, empty, so the person panel can list it.
    program.schema.addTable({risk::kToWord, risk::toWordColumns(), {}});
    program.schema.addSeed(QStringLiteral("OnlineKeyIn"), [](Database& db) { keyin::seedOnlineKeyIn(db); });
}
