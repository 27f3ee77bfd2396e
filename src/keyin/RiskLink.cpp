#include "keyin/RiskLink.h"

#include "core/Program.h"
#include "risk/Procedures.h"

namespace keyin {

RiskProcedures riskProcedures(Program& program) {
    RiskProcedures r;
    r.framingham = [&program](QProgressBar* bar) { return risk::Framingham(program, bar); };
    r.savePersonalHealth = [&program] { risk::SavePersonalHealth(program); };
    r.savePersonalBurnOut = [&program] { risk::SavePersonalBurnOut(program); };
    r.framinghamToWord = [&program] { risk::FraminghamToWord(program); };
    return r;
}

} // namespace keyin
