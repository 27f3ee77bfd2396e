#include "keyin/RiskLink.h"

#include "core/Program.h"

namespace keyin {

RiskProcedures riskProcedures(Program& program) {
    (void)program;
    return {};
}

} // namespace keyin
