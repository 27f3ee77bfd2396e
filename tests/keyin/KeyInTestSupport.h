#pragma once
// Driving a key-in dialog the way the nurse does: click a node, type into the answer box, press "寫入".

#include "keyin/KeyInDialog.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace keyin::test {

// Clicks a node of a tree of the dialog (the tree must be visible).
inline void clickNode(QTreeWidget* tree, QTreeWidgetItem* item) {
    QCoreApplication::processEvents();
    tree->scrollToItem(item);
    QCoreApplication::processEvents();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// The tree a code stands in and its node.
inline int treeOf(KeyInDialog& d, const QString& code) {
    QTreeWidgetItem* n = d.node(code);
    for (int t = 0; t < 3; ++t)
        if (n && n->treeWidget() == d.trees[size_t(t)]) return t;
    return -1;
}

// Types text into a widget: ASCII letters and digits key by key, other characters as an input method commits them.
inline void typeText(QWidget* w, const QString& text) {
    QString ascii;
    auto flushAscii = [&] {
        if (!ascii.isEmpty()) QTest::keyClicks(w, ascii);
        ascii.clear();
    };
    for (const QChar ch : text) {
        if (ch.isLetterOrNumber() && ch.unicode() < 128) {
            ascii += ch;
            continue;
        }
        flushAscii();
        QInputMethodEvent commit;
        commit.setCommitString(QString(ch));
        QCoreApplication::sendEvent(w, &commit);
    }
    flushAscii();
}

// Types an answer for the current question and presses "寫入".
inline void typeAnswer(KeyInDialog& d, const QString& text) {
    d.TextAnswer->clear();
    typeText(d.TextAnswer, text);
    QTest::mouseClick(d.DatalButtonOK, Qt::LeftButton);
}

// Opens the question of a code by clicking its node and answers it.
inline void answerItem(KeyInDialog& d, const QString& code, const QString& text) {
    const int t = treeOf(d, code);
    if (t < 0) return;
    QTreeWidget* tree = d.trees[size_t(t)];
    if (!tree->isVisible()) QTest::mouseClick(d.DataButtonCancel, Qt::LeftButton);
    clickNode(tree, d.node(code));
    typeAnswer(d, text);
}

// Keys in every item tree by tree, the way the nurse does: a click on the tree's first item, then an answer and Enter
// for each item; the dialog moves on to the next item by itself.
inline void keyInTrees(KeyInDialog& d, const QList<QStringList>& answers, const QStringList& firstCodes) {
    for (int t = 0; t < int(answers.size()); ++t) {
        if (!d.trees[size_t(t)]->isVisible()) QTest::mouseClick(d.DataButtonCancel, Qt::LeftButton);
        clickNode(d.trees[size_t(t)], d.node(firstCodes[t]));
        for (const QString& answer : answers[t]) {
            typeText(d.TextAnswer, answer);
            QTest::keyClick(d.TextAnswer, Qt::Key_Return);
        }
    }
}

} // namespace keyin::test
