#include "keyin/Install.h"

#include "core/Guard.h"
#include "core/MainForm.h"
#include "core/Program.h"
#include "keyin/NmqDialog.h"
#include "keyin/OverworkDialog.h"
#include "keyin/RiskLink.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

namespace keyin {

namespace {

// Keeps the two dialogs of one main window: each exists once, and a closed one is created afresh.
class KeyInMenu : public QObject {
public:
    KeyInMenu(MainForm& form, Program& program) : QObject(&form), m_form(form), m_program(program) {
        setObjectName(QStringLiteral("KeyInMenu"));
    }

    void QVNewTopicErgonomicsIndividual_Click() {
        if (!nmq) {
            nmq = new NmqDialog(m_program, &m_form);
            nmq->Form_Load();
        }
        bringUp(nmq);
    }

    void QVNewTopicKaroshIndividualiInput_Click() {
        if (!overwork) {
            overwork = new OverworkDialog(m_program, riskProcedures(m_program), &m_form);
            overwork->Form_Load();
        }
        bringUp(overwork);
    }

    QPointer<NmqDialog> nmq;
    QPointer<OverworkDialog> overwork;

private:
    static void bringUp(QDialog* d) {
        d->show();
        d->raise();
        d->activateWindow();
    }

    MainForm& m_form;
    Program& m_program;
};

KeyInMenu* menuOf(MainForm& form) {
    return form.findChild<KeyInMenu*>(QStringLiteral("KeyInMenu"));
}

} // namespace

void install(MainForm& form, Program& program) {
    // The catalogue's rows arrive with the table when the schema step creates it; an emptied catalogue stays empty
    // and each dialog reports it when it opens.
    auto* keyIn = new KeyInMenu(form, program);
    QMenu* menu = form.QVOnlineKeyIn;
    QAction* nmqItem = menu->addAction(QStringLiteral("肌肉骨骼症狀調查表_個人_單筆鍵入"));
    nmqItem->setObjectName(QStringLiteral("QVNewTopicErgonomicsIndividual"));
    connectGuarded(nmqItem, program, [keyIn] { keyIn->QVNewTopicErgonomicsIndividual_Click(); });
    QAction* owItem = menu->addAction(QStringLiteral("異常工作負荷促發疾病預防評估_個人_單筆鍵入"));
    owItem->setObjectName(QStringLiteral("QVNewTopicKaroshIndividualiInput"));
    connectGuarded(owItem, program, [keyIn] { keyIn->QVNewTopicKaroshIndividualiInput_Click(); });
}

NmqDialog* nmqDialog(MainForm& form) {
    KeyInMenu* m = menuOf(form);
    return m ? m->nmq.data() : nullptr;
}

OverworkDialog* overworkDialog(MainForm& form) {
    KeyInMenu* m = menuOf(form);
    return m ? m->overwork.data() : nullptr;
}

} // namespace keyin
