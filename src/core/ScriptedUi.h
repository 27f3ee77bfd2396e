#pragma once
// A Ui for tests and other drivers: every box is answered from a queue the script fills beforehand, and every text
// shown and every file opened is recorded. A box with no scripted answer takes its default (Ok, Yes for a question,
// No for a question whose default is No, the default text for an input box, "" for a file dialog) so an unexpected box
// never blocks a run; the test sees it in the record.

#include "core/Ui.h"

#include <QList>
#include <deque>
#include <functional>

class ScriptedUi : public Ui {
public:
    struct Shown {
        QString kind;  // "message", "input", "file", "folder"
        QString text;  // message text or prompt
        QString title; // the effective title
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
    };

    // Queues the answer of the next message box.
    void answerNext(Answer a) { m_answers.push_back(a); }
    // Queues the text of the next input box; nullopt cancels it.
    void inputNext(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }
    // Queues the path the next file or folder dialog returns ("" cancels it).
    void fileNext(const QString& path) { m_files.push_back(path); }
    // The next hand-over to the desktop fails (as when no application opens that kind of file).
    void failNextOpen() { ++m_failOpens; }
    // Called for every message box before it is answered (a test may act on the window meanwhile).
    std::function<void(const Shown&)> onMessage;
    // Called for every input box before it is answered.
    std::function<void(const Shown&)> onInput;

    std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter, const QString& folder) override;
    QString browseForFolder(const QString& title) override;
    void wait(int milliseconds) override { waitedMs += milliseconds; }
    QDateTime now() override { return clock.isValid() ? clock : QDateTime::currentDateTime(); }
    int random(int low, int high) override;

    // Texts of the message boxes shown, in order.
    QStringList messageTexts() const;

    QList<Shown> shown;      // every box, in order
    QStringList opened;      // every path or URL the desktop opened
    QStringList notOpened;   // every path or URL the desktop failed to open
    qint64 waitedMs = 0;     // the pauses asked for
    QDateTime clock;         // "now"; the real clock while invalid
    std::deque<int> randoms; // the next random numbers; a plain generator when empty
    bool allAnswersUsed() const { return m_answers.empty() && m_inputs.empty() && m_files.empty(); }

protected:
    Answer showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    bool desktopOpen(const QString& pathOrUrl) override;

private:
    std::deque<Answer> m_answers;
    std::deque<std::optional<QString>> m_inputs;
    std::deque<QString> m_files;
    int m_failOpens = 0;
    unsigned m_seed = 12345;
};
