#include "people/Install.h"

#include "core/MainForm.h"
#include "people/PersonPanel.h"

namespace people {

void install(MainForm& form, Program& program) {
    buildPersonPanel(form, program);
    form.ShowPersonQueryPanel = [&form] { ShowPersonQueryPanel(form); };
}

} // namespace people
