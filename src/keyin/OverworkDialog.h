#pragma once
// DialogOnlineKeyIn: one person's health-check values and overwork scales, keyed in item by item, staged in the
// staging tables of the overwork grading, graded, appended to the history on request and printed.

#include "keyin/KeyInDialog.h"

#include <functional>

class QProgressBar;

namespace keyin {

// The grading, storing and printing procedures of the health-risk assessment the run calls, in its order.
struct RiskProcedures {
    std::function<bool(QProgressBar*)> framingham; // grades the staged person with the overwork level
    std::function<void()> savePersonalHealth;
    std::function<void()> savePersonalBurnOut;
    std::function<void()> framinghamToWord; // rebuilds the print table ToWord
};

class OverworkDialog : public KeyInDialog {
    Q_OBJECT
public:
    OverworkDialog(Program& program, RiskProcedures risk, QWidget* parent = nullptr);

    static DialogConfig makeConfig();

    // A staging row: each value with the column it is written to.
    using NamedRow = QList<std::pair<QString, QVariant>>;
    // The answers as the staging rows hold them: InPutFramingham's 21 columns and InPutBurnOut's 24.
    NamedRow healthCheckRow() const;
    NamedRow burnoutRow() const;

protected:
    Verdict rule(const QString& code, const QString& answer) override;
    void ButtonHR_Click() override;
    void ButtonYearType_Click() override;
    void run() override;

private:
    void stage();
    RiskProcedures m_risk;
};

} // namespace keyin
