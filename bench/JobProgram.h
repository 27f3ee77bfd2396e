#pragma once
// The program a job runs in its fresh process: over a program folder the case made, started as the program starts.

#include "core/Program.h"
#include "core/ScriptedUi.h"
#include "core/Startup.h"

#include <QString>

#include <functional>
#include <memory>

namespace bench {

// The program of `folder`, started (its database opened, its schema completed) after `before`, when given, made it
// ready (the tables of the subsystems, the database copied in); null when either failed.
inline std::shared_ptr<Program> startedIn(const QString& folder, const std::function<bool(Program&)>& before = {}) {
    auto program = std::make_shared<Program>(folder, std::make_unique<ScriptedUi>());
    if (before && !before(*program)) return nullptr;
    return StartProgram(*program) ? program : nullptr;
}

} // namespace bench
