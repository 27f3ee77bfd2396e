#pragma once
// The health-risk procedures the overwork dialog's run calls.

#include "keyin/OverworkDialog.h"

class Program;

namespace keyin {

RiskProcedures riskProcedures(Program& program);

} // namespace keyin
