#pragma once
// DialogOnlineKeyInNMQ: one person's musculoskeletal questionnaire, keyed in item by item, stored as a new
// `PersonalNMQ` record and printed with the NMQ template.

#include "keyin/KeyInDialog.h"

namespace keyin {

class NmqDialog : public KeyInDialog {
    Q_OBJECT
public:
    explicit NmqDialog(Program& program, QWidget* parent = nullptr);

    // The layout and catalogue settings of this dialog.
    static DialogConfig makeConfig();

protected:
    Verdict rule(const QString& code, const QString& answer) override;
    void applySideEffects(const QString& code, const Verdict& verdict) override;
    void ButtonHR_Click() override;
    void ButtonYearType_Click() override;
    void run() override;

private:
    // A key no stored record holds yet ("" when none could be found).
    QString freshXid(const QDateTime& now);
};

} // namespace keyin
