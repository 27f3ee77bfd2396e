#include "reports/Periods.h"

#include "core/DateNumberRules.h"
#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "healthlog/Frames.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

namespace reports {

namespace {
const QString kHyphens = QString(32, QLatin1Char('-'));

QDate firstOfMonth(int year, int month) {
    // Months outside 1..12 roll into the neighbouring years (month 0 is December of the year before).
    const int index = year * 12 + (month - 1);
    return QDate(index / 12, index % 12 + 1, 1);
}

// Day 0 of a month: the last day of the month before.
QDate dayZero(int year, int month) {
    return firstOfMonth(year, month).addDays(-1);
}

DateRange range(const QDate& from, const QDate& to) {
    return {rules::dateText(from), rules::dateText(to)};
}

class DoubleClickFilter : public QObject {
public:
    DoubleClickFilter(QObject* parent, std::function<void()> action) : QObject(parent), m_action(std::move(action)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) {
            m_action();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_action;
};
} // namespace

QStringList periodLabels(const QDate& today) {
    const QString y = QString::number(today.year());
    return {QStringLiteral(" 前一個月"),
            today.toString(QStringLiteral("yyyy/MM")) + QStringLiteral(" 當月"),
            kHyphens,
            y + QStringLiteral(" (第一季)"),
            y + QStringLiteral(" (第二季)"),
            y + QStringLiteral(" (第三季)"),
            y + QStringLiteral(" (第四季)"),
            kHyphens,
            y + QStringLiteral(" 年"),
            QString::number(today.year() - 1) + QStringLiteral(" 年"),
            kHyphens,
            QStringLiteral("自訂日期")};
}

std::optional<DateRange> periodDateRange(int position, const QDate& today) {
    const int y = today.year();
    const int m = today.month();
    switch (position) {
    case PreviousMonth:
        return range(firstOfMonth(y, m - 1), dayZero(y, m));
    case CurrentMonth:
        return range(firstOfMonth(y, m), firstOfMonth(y, m).addMonths(1).addDays(-1));
    case Quarter1:
    case Quarter2:
    case Quarter3:
    case Quarter4: {
        const int first = 1 + 3 * (position - Quarter1);
        return range(firstOfMonth(y, first), dayZero(y, first + 3));
    }
    case ThisYear:
        return range(QDate(y, 1, 1), dayZero(y + 1, 1));
    case LastYear:
        return range(QDate(y - 1, 1, 1), dayZero(y, 1));
    case CustomDates:
        return DateRange{};
    default: // the hyphen rows, nothing selected, or a position the list does not have
        return std::nullopt;
    }
}

void fillPeriodList(QComboBox* list, const QDate& today) {
    list->clear();
    list->addItems(periodLabels(today));
    list->setCurrentIndex(-1);
}

void GetPeriodDateRange(QComboBox* list, QLineEdit* from, QLineEdit* to, const QDate& today) {
    if (!list || !from || !to) return;
    const auto r = periodDateRange(list->currentIndex(), today);
    if (!r) return;
    from->setText(r->from);
    to->setText(r->to);
}

void SearchTypeCombo_Click(MainForm& form, Program& program) {
    const healthlog::SearchPeriod search = healthlog::searchPeriod(form);
    GetPeriodDateRange(search.list, search.from, search.to, program.ui().now().date());
}

void Text5_DblClick(MainForm& form, Program& program, QLineEdit* box, int index) {
    form.openCalendar(box, index, program.ui().now().date());
}

void connectDateBox(MainForm& form, Program& program, QLineEdit* box, int index) {
    if (!box) return;
    box->installEventFilter(
        new DoubleClickFilter(box, guarded(program, QStringLiteral("選取日期"), [&form, &program, box, index] {
                                  Text5_DblClick(form, program, box, index);
                              })));
}

void connectSearchPeriod(MainForm& form, Program& program) {
    const healthlog::SearchPeriod search = healthlog::searchPeriod(form);
    if (!search.list) return;
    fillPeriodList(search.list, program.ui().now().date());
    // Filled again at every start-up step, connected once.
    if (search.list->property("periodListWired").toBool()) return;
    search.list->setProperty("periodListWired", true);
    connectGuarded(search.list, &QComboBox::activated, &form, program, QStringLiteral("選擇期間"),
                   [&form, &program](int) { SearchTypeCombo_Click(form, program); });
    connectDateBox(form, program, search.from, 2);
    connectDateBox(form, program, search.to, 3);
}

} // namespace reports
