#include "healthlog/Frames.h"

#include "core/DateNumberRules.h"
#include "core/Helpers.h"
#include "core/MainForm.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace healthlog {

const char* const kSubjectTypes[3] = {"員工", "承攬商", "派遣"};

void buildSearchFrame(MainForm& form) {
    QFrame* frame = form.FrameSearch;
    auto* row = new QHBoxLayout(frame);
    auto* periodLabel = new QLabel(QStringLiteral("日期篩選"), frame);
    periodLabel->setObjectName(QStringLiteral("SearchTypeLabel"));
    auto* combo = new QComboBox(frame);
    combo->setObjectName(QStringLiteral("SearchTypeCombo"));
    combo->setMinimumWidth(220);
    auto* rangeLabel = new QLabel(QStringLiteral("日期範圍"), frame);
    rangeLabel->setObjectName(QStringLiteral("SearchRangeLabel"));
    row->addWidget(periodLabel);
    row->addWidget(combo);
    row->addSpacing(12);
    row->addWidget(rangeLabel);
    row->addWidget(newDateBox(frame, QStringLiteral("Text5_2")));
    row->addWidget(new QLabel(QStringLiteral("~"), frame));
    row->addWidget(newDateBox(frame, QStringLiteral("Text5_3")));
    row->addStretch(1);
}

void buildEntryFrame(MainForm& form) {
    QFrame* frame = form.FrameNursing;
    // The frame lies over the log list; it must hide the list beneath it.
    frame->setAutoFillBackground(true);
    auto* layout = new QFormLayout(frame);
    auto* type = new QComboBox(frame);
    type->setObjectName(QStringLiteral("SubjectTypeCombo"));
    for (const char* t : kSubjectTypes)
        type->addItem(QString::fromUtf8(t));
    layout->addRow(QStringLiteral("人員身份"), type);
    const struct {
        int index;
        const char* caption;
    } boxes[] = {{1, "人員姓名"}, {2, "員工編號"}, {3, "所屬部門"}, {10, "聯絡分機"}};
    for (const auto& b : boxes) {
        auto* box = new QLineEdit(frame);
        box->setObjectName(QStringLiteral("Text4_%1").arg(b.index));
        layout->addRow(QString::fromUtf8(b.caption), box);
    }
    auto* follow = newDateBox(frame, kFollowUpDateBox);
    layout->addRow(QStringLiteral("追蹤日期"), follow);
}

SearchPeriod searchPeriod(const MainForm& form) {
    const QFrame* frame = form.FrameSearch;
    return {frame->findChild<QComboBox*>(QStringLiteral("SearchTypeCombo")),
            frame->findChild<QLineEdit*>(QStringLiteral("Text5_2")),
            frame->findChild<QLineEdit*>(QStringLiteral("Text5_3"))};
}

void setEntryPerson(MainForm& form, const EntryPerson& person) {
    const QFrame* frame = form.FrameNursing;
    if (auto* type = frame->findChild<QComboBox*>(QStringLiteral("SubjectTypeCombo"))) type->setCurrentIndex(0);
    const std::pair<const char*, const QString*> boxes[] = {{"Text4_1", &person.name},
                                                            {"Text4_2", &person.employeeNo},
                                                            {"Text4_3", &person.department},
                                                            {"Text4_10", &person.extension}};
    for (const auto& [name, text] : boxes)
        if (auto* box = frame->findChild<QLineEdit*>(QString::fromUtf8(name))) box->setText(*text);
}

void MonthView1_DateClick(MainForm& form, const QDate& date) {
    // The Tag holds the box index as text; one that is no number names no box.
    bool ok = false;
    const int tag = form.MonthView1->property("Tag").toString().trimmed().toInt(&ok);
    QLineEdit* box = nullptr;
    if (ok && tag == kFollowUpTag)
        box = form.FrameNursing->findChild<QLineEdit*>(kFollowUpDateBox);
    else if (ok && tag < 10)
        box = form.calendarBox();
    // Dates are compared as text everywhere, so the calendar writes the same form the period list does.
    if (box) box->setText(rules::dateText(date));
    form.MonthView1->hide();
}

} // namespace healthlog
