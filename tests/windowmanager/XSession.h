#pragma once
// A virtual X display with a window manager for the tests that need real focus handling: Xvfb on a display number it
// picks itself, and openbox on it. Both end with the object, and with the test program should that die first.

#include <QByteArray>
#include <QString>
#include <sys/types.h>

class XSession {
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts the display and the window manager and waits until both are ready; false (with the reason) when either
    // does not come up within its time.
    bool start(QString* error);
    // The display's name for DISPLAY (":5").
    const QByteArray& display() const { return m_display; }

private:
    pid_t m_server = -1;
    pid_t m_windowManager = -1;
    QByteArray m_display;
};
