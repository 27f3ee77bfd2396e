#pragma once
// Handlers that never end the program. Whatever a nurse sets off (a button, a menu item, a list click, a step of the
// window's loading) runs through runGuarded: a database error becomes a message box that names what failed and gives
// the database's own reason, any other error a box with its text, and the window stays usable. A half-built workbook
// is dropped and an unfinished transaction rolled back, so the next action starts clean.
//
// A subsystem gets this without writing a try/catch:
//  - MainForm::setToolbarHandler and MainForm::addLoadStep guard what they are given;
//  - a signal of its own widget or action is connected with connectGuarded instead of QObject::connect:
//        connectGuarded(button, &QPushButton::clicked, &form, program, QStringLiteral("查詢人員"),
//                       [&form, &program] { FindPersonButton_Click(form, program); });
//    The slot may take the signal's arguments, or fewer, as with QObject::connect;
//  - a menu item is connected with connectGuarded(action, program, handler): its caption names what failed;
//  - any other callable is wrapped with guarded(program, what, f) (e.g. an event filter's callback).

#include <QAction>
#include <QObject>
#include <QString>
#include <concepts>
#include <functional>
#include <utility>

class Program;

// Runs f; a DbError or any other std::exception is reported in a message box instead of leaving f. Returns whether f
// ran to its end.
bool runGuarded(Program& program, const QString& what, const std::function<void()>& f);

// The message box text for a database error of an action (what failed, then the database's reason).
QString databaseErrorText(const QString& what, const QString& reason);

// A callable that runs f through runGuarded with the arguments it is given.
template <typename F> auto guarded(Program& program, QString what, F f) {
    return [&program, what = std::move(what),
            f = std::move(f) ]<typename... A>(A && ... args) requires std::invocable<const F&, A...> {
        runGuarded(program, what, [&] { std::invoke(f, std::forward<A>(args)...); });
    };
}

// QObject::connect with the slot run through runGuarded.
template <typename Sender, typename Signal, typename F>
QMetaObject::Connection connectGuarded(Sender* sender, Signal signal, const QObject* context, Program& program,
                                       const QString& what, F f) {
    return QObject::connect(sender, signal, context, guarded(program, what, std::move(f)));
}

// A menu item's or button's triggered signal, its caption (without "&") naming what failed.
template <typename F> QMetaObject::Connection connectGuarded(QAction* action, Program& program, F f) {
    QString what = action->text();
    what.remove(QLatin1Char('&'));
    return connectGuarded(action, &QAction::triggered, action, program, what, std::move(f));
}
