#pragma once
// All contact with the person and the desktop goes through Ui: message and input boxes, the file-open and folder
// dialogs, opening a file or URL with the desktop, the pauses, the clock and random numbers. QtUi shows real
// dialogs; ScriptedUi answers from a script and records what was shown, so every flow can be tested.

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

class Ui {
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    // YesNoDefaultNo: Yes and No with No the default button, for a question before something that cannot be undone.
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
    // The answer of a message box; the values are fixed (OK 1, Cancel 2, Yes 6, No 7) and stored nowhere else.
    enum class Answer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

    virtual ~Ui() = default;

    // A message box. An empty title is replaced by the program's title.
    Answer message(const QString& text, const QString& title = {}, Icon icon = Icon::None,
                   Buttons buttons = Buttons::Ok);
    // Shortcuts for the common boxes.
    void info(const QString& text, const QString& title = {}) { message(text, title, Icon::Information); }
    void critical(const QString& text, const QString& title = {}) { message(text, title, Icon::Critical); }
    void warning(const QString& text, const QString& title = {}) { message(text, title, Icon::Warning); }
    bool askYesNo(const QString& text, const QString& title = {}, Icon icon = Icon::Question) {
        return message(text, title, icon, Buttons::YesNo) == Answer::Yes;
    }

    // An input box: the typed text, or nullopt when cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& title = {},
                                         const QString& defaultText = {}) = 0;
    // (Defaults live on this interface only: call through Ui&.)
    // The file-open dialog: the chosen path, or "" when cancelled.
    virtual QString openFileName(const QString& title, const QString& filter, const QString& folder = {}) = 0;
    // The folder dialog: the chosen folder, or "" when cancelled.
    virtual QString browseForFolder(const QString& title) = 0;
    // Opens a file, a folder or a URL with the desktop's default application; when the desktop cannot, says so and
    // names where the file is saved. True when the desktop took it.
    bool openWithDesktop(const QString& pathOrUrl);
    // A pause of the given length (a second that lets the nurse read a message before the next step).
    virtual void wait(int milliseconds) = 0;
    // The clock every rule and file name reads "now" from.
    virtual QDateTime now() = 0;
    // A random whole number from low to high, both included.
    virtual int random(int low, int high) = 0;

    void setProgramTitle(const QString& title) { m_programTitle = title; }
    const QString& programTitle() const { return m_programTitle; }
    // The window dialogs are shown over (may be null).
    void setParentWindow(QWidget* w) { m_parent = w; }
    QWidget* parentWindow() const { return m_parent; }

protected:
    virtual Answer showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;
    // Hands a file, folder or URL to the desktop; false when no application took it.
    virtual bool desktopOpen(const QString& pathOrUrl) = 0;

private:
    QString m_programTitle;
    QWidget* m_parent = nullptr;
};

// The real dialogs and the real desktop.
class QtUi : public Ui {
public:
    std::optional<QString> input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString openFileName(const QString& title, const QString& filter, const QString& folder) override;
    QString browseForFolder(const QString& title) override;
    void wait(int milliseconds) override;
    QDateTime now() override;
    int random(int low, int high) override;

protected:
    Answer showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) override;
    bool desktopOpen(const QString& pathOrUrl) override;

private:
    // The window a box belongs to: the window the nurse works in (an open modal dialog, else the active window), so
    // that closing the box gives the focus back there; the parent window when none of the program's is active.
    QWidget* ownerWindow();

    QPointer<QWidget> m_lastOwner; // the window the last box belonged to
};
