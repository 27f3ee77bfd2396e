#include "healthlog/Install.h"

#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "healthlog/Frames.h"
#include "healthlog/LogList.h"

#include <QAction>
#include <QCalendarWidget>
#include <QFrame>

namespace healthlog {

void install(MainForm& form, Program& program) {
    buildSearchFrame(form);
    buildEntryFrame(form);
    connectGuarded(form.MonthView1, &QCalendarWidget::clicked, &form, program, QStringLiteral("選取日期"),
                   [&form](const QDate& d) { MonthView1_DateClick(form, d); });
    // "紀錄查詢" is a check button: down shows the search frame, raised hides it.
    form.setToolbarHandler(QStringLiteral("FindRS"),
                           [&form](QAction* button) { form.FrameSearch->setVisible(button->isChecked()); });
    form.addLoadStep(QStringLiteral("載入最新的健康服務紀錄"), [&program] { LoadNewestNursingLog(program); });
}

} // namespace healthlog
