#include "reports/ReportFrame.h"

#include "core/Database.h"
#include "core/ExcelOutput.h"
#include "core/Guard.h"
#include "core/Helpers.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "core/SplashInformation.h"
#include "reports/Periods.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <memory>

namespace reports {

namespace {

const QString kTwoBreaks = QStringLiteral("\r\n\r\n");
const QString kBusy = QStringLiteral("系統正在執行 Excel 報表繪製, 請勿進行其它程式或點選任何程式");

// The frame's state on one window: its controls, what the period list holds and the builders by kind. It lives as a
// child of FrameReport, made on first use, so builders may register before the frame's controls are built.
class ReportFrameState : public QObject {
    Q_OBJECT
public:
    explicit ReportFrameState(QObject* parent) : QObject(parent) {}

    QMap<QString, ReportBuilder> builders;
    QLabel* caption = nullptr;     // the frame's caption
    QLabel* periodLabel = nullptr; // Label1_7 "日期篩選"
    QComboBox* list = nullptr;     // ReportTypeCombo
    QLabel* rangeLabel = nullptr;  // Label1_6 "日期範圍"
    QLineEdit* from = nullptr;     // Text5_0
    QLabel* tilde = nullptr;
    QLineEdit* to = nullptr; // Text5_1
    QPushButton* run = nullptr;
    // The list holds health-check years (after "健檢資料_四段分級") rather than the period list.
    bool listHoldsYears = false;
    bool running = false;
};

ReportFrameState& state(MainForm& form) {
    auto* s = form.FrameReport->findChild<ReportFrameState*>(QString(), Qt::FindDirectChildrenOnly);
    if (!s) s = new ReportFrameState(form.FrameReport);
    return *s;
}

QString kindOf(const ReportFrameState& s) {
    return s.run ? s.run->property("Tag").toString() : QString();
}

void setKind(ReportFrameState& s, const QString& kind) {
    if (s.run) s.run->setProperty("Tag", kind);
}

void setDateBoxesVisible(ReportFrameState& s, bool visible) {
    for (QWidget* w : {static_cast<QWidget*>(s.rangeLabel), static_cast<QWidget*>(s.from),
                       static_cast<QWidget*>(s.tilde), static_cast<QWidget*>(s.to)})
        if (w) w->setVisible(visible);
}

void fillPeriods(ReportFrameState& s, Program& program) {
    if (!s.list) return;
    fillPeriodList(s.list, program.ui().now().date());
    s.listHoldsYears = false;
}

// A menu item of QVStatistica: the frame opens under the "報表" button with the item's caption and kind.
void openFromMenu(MainForm& form, Program& program, const QString& caption, const QString& kind) {
    QAction* button = form.toolbarButton(kKindShowReport);
    if (button && !button->isChecked()) {
        // Reached without the button (a test, a shortcut): press it as the toolbar would.
        button->setChecked(true);
        form.enableToolbar(false);
        button->setEnabled(true);
    }
    ShowReportFrame(form, program, kKindShowReport);
    ReportFrameState& s = state(form);
    s.caption->setText(caption);
    setKind(s, kind);
}

// A menu item that works on a period: the period list is filled afresh (the date boxes keep their text).
void openForPeriod(MainForm& form, Program& program, const QString& caption, const QString& kind) {
    openFromMenu(form, program, caption, kind);
    fillPeriods(state(form), program);
}

struct KindInfo {
    const QString& kind;
    const char* subject; // the sentence in the middle of the confirmation
    const char* title;
    bool progress;
    bool keyword;
};

const KindInfo* kindInfo(const QString& kind) {
    static const KindInfo kinds[] = {
        {kKindShowReport, "此功能將 針對指定日期內的所有健康日誌紀錄, \r\n\r\n進行【健康日誌統計分析】. ", "日誌統計",
         true, true},
        {kKindAdvanceNursingRecord, "此功能將 針對指定日期內的所有健康日誌紀錄, \r\n\r\n進行【高風險人員_統計分析】. ",
         "高風險人員_統計分析", false, false},
        {kKindMultiple, "此功能將針對已選取之 【健檢年度】進行多項四段分級, ", "多項四段分級", false, false},
        {kKindListOHS, "此功能將 針對指定日期內的所健康日誌紀錄, \r\n\r\n進行【健康服務工作要項_統計分析】. ",
         "健康服務工作要項_統計分析", false, true},
        {kKindMedicalDrug, "此功能將 針對指定日期內的所有醫藥物品取用紀錄, \r\n\r\n進行【醫藥物品統計】. ",
         "醫藥物品統計", true, false},
        {kKindAddEmpl,
         "此功能將以 【員工編號】為索引值, 針對指定日期內的所有健康日誌紀錄, \r\n\r\n以系統人事資料庫內容, "
         "進行個資校正. ",
         "個資校正", true, false},
    };
    for (const KindInfo& k : kinds)
        if (k.kind == kind) return &k;
    return nullptr;
}

// The end of a run: the "報表" button (and the button that opened the frame) come up, and the toolbar dispatcher,
// seeing "報表" raised, gives the toolbar back and closes the frame.
void closeAfterRun(MainForm& form, const QString& openedBy) {
    if (QAction* opener = form.toolbarButton(openedBy); opener && opener->isCheckable()) opener->setChecked(false);
    QAction* report = form.toolbarButton(kKindShowReport);
    if (!report) return;
    report->setChecked(false);
    form.Toolbar1_ButtonClick(report);
    // The dispatcher gives back every button but the one it was handed, which a toolbar opening had disabled too.
    form.enableToolbar();
}

} // namespace

void ReportRequest::progress(int value, const QString& text) const {
    if (!progressWindow) return;
    if (!text.isEmpty()) progressWindow->setMessage(text);
    progressWindow->setValue(value);
}

void registerReportBuilder(MainForm& form, const QString& kind, ReportBuilder builder) {
    state(form).builders.insert(kind, std::move(builder));
}

bool hasReportBuilder(MainForm& form, const QString& kind) {
    return bool(state(form).builders.value(kind));
}

ReportConfirmation reportConfirmation(const QString& kind) {
    const KindInfo* k = kindInfo(kind);
    if (!k) return {};
    return {QString::fromUtf8(k->subject) + kTwoBreaks + QStringLiteral("是否確定執行?"), QString::fromUtf8(k->title)};
}

bool showsProgressWindow(const QString& kind) {
    const KindInfo* k = kindInfo(kind);
    return k && k->progress;
}

bool asksDepartmentKeyword(const QString& kind) {
    const KindInfo* k = kindInfo(kind);
    return k && k->keyword;
}

void buildReportFrame(MainForm& form, Program& program) {
    ReportFrameState& s = state(form);
    if (s.run) return; // built once
    QFrame* frame = form.FrameReport;
    auto* row = new QHBoxLayout(frame);
    s.caption = new QLabel(QStringLiteral("報表製作"), frame);
    s.caption->setObjectName(QStringLiteral("FrameReport_Caption"));
    QFont bold = s.caption->font();
    bold.setBold(true);
    s.caption->setFont(bold);
    s.periodLabel = new QLabel(QStringLiteral("日期篩選"), frame);
    s.periodLabel->setObjectName(QStringLiteral("Label1_7"));
    s.list = new QComboBox(frame);
    s.list->setObjectName(QStringLiteral("ReportTypeCombo"));
    s.list->setMinimumWidth(220);
    s.rangeLabel = new QLabel(QStringLiteral("日期範圍"), frame);
    s.rangeLabel->setObjectName(QStringLiteral("Label1_6"));
    s.from = newDateBox(frame, QStringLiteral("Text5_0"));
    s.tilde = new QLabel(QStringLiteral("~"), frame);
    s.to = newDateBox(frame, QStringLiteral("Text5_1"));
    s.run = new QPushButton(QStringLiteral("產生報表"), frame);
    s.run->setObjectName(QStringLiteral("ButtonShowReport"));
    s.run->setProperty("Tag", kKindShowReport);
    row->addWidget(s.caption);
    row->addSpacing(12);
    row->addWidget(s.periodLabel);
    row->addWidget(s.list);
    row->addSpacing(12);
    row->addWidget(s.rangeLabel);
    row->addWidget(s.from);
    row->addWidget(s.tilde);
    row->addWidget(s.to);
    row->addSpacing(12);
    row->addWidget(s.run);
    row->addStretch(1);

    connectDateBox(form, program, s.from, 0);
    connectDateBox(form, program, s.to, 1);
    connectGuarded(s.list, &QComboBox::activated, &form, program, QStringLiteral("日期篩選"),
                   [&form, &program] { ReportTypeCombo_Click(form, program); });
    connectGuarded(s.run, &QPushButton::clicked, &form, program, QStringLiteral("產生報表"),
                   [&form, &program] { ButtonShowReport_Click(form, program); });

    // The report menu of the "報表" button: four items with separators between them.
    QMenu* menu = form.QVStatistica;
    const struct {
        const char* name;
        const char* caption;
        void (*handler)(MainForm&, Program&);
    } items[] = {
        {"QVStatisticaRegulation", "月季年報表", QVStatisticaRegulation_Click},
        {"QVStatisticaAdvanceNursingRecord", "高風險人員統計分析", QVStatisticaAdvanceNursingRecord_Click},
        {"QVStatisticaMultipleLevel", "健檢資料_四段分級", QVStatisticaMultipleLevel_Click},
        {"QVStatisticaOHS", "健康服務工作要項_統計分析", QVStatisticaOHS_Click},
    };
    int bar = 0;
    for (const auto& item : items) {
        if (!menu->actions().isEmpty())
            menu->addSeparator()->setObjectName(QStringLiteral("BarStatistica%1").arg(bar++));
        QAction* a = menu->addAction(QString::fromUtf8(item.caption));
        a->setObjectName(QString::fromUtf8(item.name));
        connectGuarded(a, program, [&form, &program, handler = item.handler] { handler(form, program); });
    }

    form.ShowReportFrame = [&form, &program](QAction* button) {
        if (button) ShowReportFrame(form, program, button->property("Key").toString());
    };
    // Start-up fills the period list with the labels of the day the program starts.
    form.addLoadStep(QStringLiteral("填入報表期間選單"), [&form, &program] { fillPeriods(state(form), program); });
}

void ShowReportFrame(MainForm& form, Program& program, const QString& buttonKey) {
    ReportFrameState& s = state(form);
    QAction* button = form.toolbarButton(buttonKey);
    if (!button || !s.run) return;
    setDateBoxesVisible(s, true);
    const bool down = button->isChecked();
    // The toolbar buttons do not refill the list; but one that still holds the years of an earlier grading offers
    // the periods again, since their kinds work on dates.
    if (down && buttonKey != kKindShowReport && s.listHoldsYears) fillPeriods(s, program);
    form.FrameReport->setVisible(down);
    setKind(s, buttonKey);
    s.caption->setText(button->text());
    s.run->setText(button->text());
    // The log list keeps the space below the frame (the layout lays it out).
}

void QVStatisticaRegulation_Click(MainForm& form, Program& program) {
    openForPeriod(form, program, QStringLiteral("月季年報表"), kKindShowReport);
}

void QVStatisticaAdvanceNursingRecord_Click(MainForm& form, Program& program) {
    openForPeriod(form, program, QStringLiteral("高風險人員統計分析"), kKindAdvanceNursingRecord);
}

void QVStatisticaOHS_Click(MainForm& form, Program& program) {
    openForPeriod(form, program, QStringLiteral("健康服務工作要項_統計分析"), kKindListOHS);
}

void QVStatisticaMultipleLevel_Click(MainForm& form, Program& program) {
    openFromMenu(form, program, QStringLiteral("健檢資料_四段分級"), kKindMultiple);
    ReportFrameState& s = state(form);
    // The grading works on one health-check year, not on a period.
    setDateBoxesVisible(s, false);
    const Recordset years =
        program.DBConn.query(QStringLiteral("SELECT [年度代碼] FROM [PersonalHealth] WHERE "
                                            "trim(ifnull([年度代碼], '')) <> '' GROUP BY [年度代碼] "
                                            "ORDER BY [年度代碼] DESC"));
    if (years.recordCount() == 0) {
        program.ui().message(QStringLiteral(" 查無相關年度資料"), {}, Ui::Icon::Information);
        return;
    }
    s.list->clear();
    for (int r = 0; r < years.recordCount(); ++r)
        s.list->addItem(years.text(r, 0));
    s.list->setCurrentIndex(-1);
    s.listHoldsYears = true;
}

void ReportTypeCombo_Click(MainForm& form, Program& program) {
    ReportFrameState& s = state(form);
    // A year is no period: choosing one leaves the (hidden) date boxes alone.
    if (s.listHoldsYears) return;
    GetPeriodDateRange(s.list, s.from, s.to, program.ui().now().date());
}

void ButtonShowReport_Click(MainForm& form, Program& program) {
    ReportFrameState& s = state(form);
    if (!s.run || s.running) return;
    Ui& ui = program.ui();
    const QString kind = kindOf(s);
    const QString caption = s.caption->text();
    const ReportConfirmation confirmation = reportConfirmation(kind);

    const ReportBuilder builder = s.builders.value(kind);
    if (!builder) {
        ui.message(QStringLiteral("「%1」尚未提供, 無法產生此報表").arg(caption),
                   confirmation.title.isEmpty() ? caption : confirmation.title, Ui::Icon::Information);
        return;
    }
    QString year;
    if (kind == kKindMultiple) {
        // The grading takes a year of the list, and its date boxes are hidden: no date is asked of it.
        year = s.list->currentIndex() >= 0 ? s.list->currentText().trimmed() : QString();
        if (!s.listHoldsYears || year.isEmpty()) {
            ui.message(QStringLiteral("未指定健檢年度"), confirmation.title, Ui::Icon::Critical);
            return;
        }
    } else if (s.from->text().trimmed().isEmpty() || s.to->text().trimmed().isEmpty()) {
        ui.message(QStringLiteral("未指定製表日期"), QStringLiteral("製表日"), Ui::Icon::Critical);
        return;
    }
    if (ui.message(confirmation.text, confirmation.title, Ui::Icon::Information, Ui::Buttons::YesNo) != Ui::Answer::Yes)
        return;

    s.running = true;
    s.run->setEnabled(false);
    // The keyword is asked before the progress window comes up: that window stays on top and would cover the box.
    QString keyword;
    if (asksDepartmentKeyword(kind)) {
        const auto answer = ui.input(QStringLiteral("若需要針對特定部門進行統計，") + kTwoBreaks +
                                         QStringLiteral("請在下方填入部門名稱的關鍵字 ") + kTwoBreaks +
                                         QStringLiteral("若無，則無需輸入任何資料；或按【取消】。"),
                                     QStringLiteral("部門關鍵字"), QString());
        keyword = answer ? answer->trimmed() : QString();
    }
    std::unique_ptr<SplashInformation> splash;
    if (showsProgressWindow(kind)) {
        splash = std::make_unique<SplashInformation>(&form);
        splash->show();
        splash->setMessage(kBusy);
        splash->setValue(0);
    }

    const ReportRequest request{program, kind, s.from->text(), s.to->text(), keyword, year, splash.get()};
    // A failing builder is said under the frame's caption (its half-built workbook dropped) and the frame stays open.
    ReportOutcome outcome = ReportOutcome::Stopped;
    const bool ran = runGuarded(program, caption, [&] { outcome = builder(request); });
    splash.reset();
    s.running = false;
    s.run->setEnabled(true);
    if (!ran) return;
    if (outcome != ReportOutcome::Done) return;

    ui.message(caption + QStringLiteral(" 完成"), QStringLiteral("完成"), Ui::Icon::Information);
    QAction* opener = form.toolbarButton(kind);
    closeAfterRun(form, opener ? kind : kKindShowReport);
}

} // namespace reports

#include "ReportFrame.moc"
