#include "app/Install.h"

#include "core/MainForm.h"
#include "core/Program.h"
#include "core/Schema.h"

// Each subsystem offers `void <subsystem>::install(MainForm&, Program&)` in its Install.h.
#if __has_include("healthlog/Install.h")
#include "healthlog/Install.h"
#define OSTIVA_HAVE_HEALTHLOG
#endif
#if __has_include("people/Install.h")
#include "people/Install.h"
#define OSTIVA_HAVE_PEOPLE
#endif
#if __has_include("risk/Install.h")
#include "risk/Install.h"
#define OSTIVA_HAVE_RISK
#endif
#include "maternity/CellMap.h"
#include "risk/WorkTables.h"
#if __has_include("keyin/Install.h")
#include "keyin/Catalogue.h"
#include "keyin/Install.h"
#define OSTIVA_HAVE_KEYIN
#endif
#if __has_include("maternity/Install.h")
#include "maternity/Install.h"
#define OSTIVA_HAVE_MATERNITY
#endif
#if __has_include("reports/Install.h")
#include "reports/Install.h"
#include "reports/MultipleLevelStandards.h"
#define OSTIVA_HAVE_REPORTS
#endif

void installSubsystems(MainForm& form, Program& program) {
#ifdef OSTIVA_HAVE_HEALTHLOG
    healthlog::install(form, program);
#endif
#ifdef OSTIVA_HAVE_PEOPLE
    people::install(form, program);
#endif
#ifdef OSTIVA_HAVE_RISK
    risk::install(form, program);
#endif
#ifdef OSTIVA_HAVE_KEYIN
    keyin::install(form, program);
#endif
#ifdef OSTIVA_HAVE_MATERNITY
    maternity::install(form, program);
#endif
#ifdef OSTIVA_HAVE_REPORTS
    reports::install(form, program);
#endif
    (void)form;
    (void)program;
}

void registerSubsystemTables(Program& program) {
    // The print table of the last grading exists from the first start, empty, so the person panel can list it.
    program.schema.addTable({risk::kToWord, risk::toWordColumns(), {}});
    // The three maternity assessment tables, built from their cell map.
    maternity::addAttachedTables(program);
#ifdef OSTIVA_HAVE_KEYIN
    program.schema.addSeed(QStringLiteral("OnlineKeyIn"), [](Database& db) { keyin::seedOnlineKeyIn(db); });
#endif
#ifdef OSTIVA_HAVE_REPORTS
    // A fresh program can grade before the nurse imports her own standards.
    program.schema.addSeed(QStringLiteral("MultipleLevel"), [](Database& db) { reports::seedMultipleLevel(db); });
#endif
}
