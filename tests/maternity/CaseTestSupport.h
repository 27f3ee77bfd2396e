#pragma once
// The maternity case register in a test program: cases and assessment rows written straight into the database, the
// case list opened through the menu "新興議題" and driven through the real window.

#include "common/TestProgram.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace maternity::test {

struct StoredCase {
    QString name;
    QString number;
    QString opened; // 個案建檔日
    QString birth = QStringLiteral("1990/01/01");
    QString employeeNo = QStringLiteral("A001");
    QString identity = QStringLiteral("A123456789");
    QVariant ended = QVariant(); // 個案解除日, NULL while open
    QString phone = QStringLiteral("-");
    QString remarks = QStringLiteral("-");
};

inline void addCase(Database& db, const StoredCase& c) {
    db.exec(QStringLiteral("INSERT INTO MaternityHealth (姓名, 個案檔號, 個案建檔日, 出生年月日, 員工編號, 身份ID, "
                           "個案解除日, 手機號碼, 備註說明) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {c.name, c.number, c.opened, c.birth, c.employeeNo, c.identity, c.ended, c.phone, c.remarks});
}

// n rows of the assessment table `table` (1 to 3) under a case number.
inline void addTables(Database& db, int table, const QString& caseNumber, int n) {
    for (int i = 0; i < n; ++i)
        db.exec(QStringLiteral("INSERT INTO MHPT%1 (CaseKeyT%1, CaseKey) VALUES (?, ?)").arg(table),
                {QStringLiteral("T%1-%2%3").arg(table).arg(caseNumber).arg(i), caseNumber});
}

struct CaseWindow {
    TestProgram tp{false};
    MainForm* w = nullptr;

    explicit CaseWindow(const QDateTime& now = QDateTime(QDate(2025, 6, 15), QTime(10, 30, 5))) {
        tp.ui().clock = now;
        tp.start();
    }
    // "新興議題" → "工作場所母性健康保護" → "母性保護_個案管理": the panel opens with the case list.
    MainForm& open() {
        w = &tp.window();
        tp.find<QAction>(QStringLiteral("QVNewTopicMotherCareManagement"))->trigger();
        return *w;
    }
    QTreeWidget* list() { return w->PersonListView; }
    void search(const QString& keyword) {
        tp.find<QLineEdit>(QStringLiteral("KeyNameTxt"))->setText(keyword);
        QTest::mouseClick(tp.find<QPushButton>(QStringLiteral("MaternityHealthButton")), Qt::LeftButton);
    }
    QStringList column(int c) {
        QStringList out;
        for (int i = 0; i < list()->topLevelItemCount(); ++i)
            out.append(list()->topLevelItem(i)->text(c));
        return out;
    }
    // Clicks the row of a case number.
    void select(const QString& caseNumber) {
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list()->topLevelItem(i);
            if (item->text(1) != caseNumber) continue;
            list()->scrollToItem(item);
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
            return;
        }
        ADD_FAILURE() << "no row " << caseNumber.toStdString();
    }
    // Chooses a menu item of the case list (as the right click offers it).
    void choose(const QString& item) {
        emit list()->customContextMenuRequested(QPoint(5, 5));
        QAction* a = tp.find<QAction>(item);
        ASSERT_TRUE(a) << item.toStdString();
        a->trigger();
    }
    // The items a right click offers, by object name, sorted.
    QStringList offered() {
        emit list()->customContextMenuRequested(QPoint(5, 5));
        QStringList out;
        for (QAction* a : w->popupMenu(QStringLiteral("QVPersonalToWord"))->actions())
            if (a->isVisible()) out.append(a->objectName());
        out.sort();
        return out;
    }
    // The messages shown since the given count.
    QStringList messagesSince(int from) { return tp.ui().messageTexts().mid(from); }
    int messageCount() { return int(tp.ui().messageTexts().size()); }
};

} // namespace maternity::test
