#include "core/ScriptedUi.h"

Ui::Answer ScriptedUi::showMessage(const QString& text, const QString& title, Icon icon, Buttons buttons) {
    Shown s{"message", text, title, icon, buttons};
    shown.append(s);
    if (onMessage) onMessage(s);
    if (!m_answers.empty()) {
        Answer a = m_answers.front();
        m_answers.pop_front();
        return a;
    }
    if (buttons == Buttons::YesNoDefaultNo) return Answer::No;
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

std::optional<QString> ScriptedUi::input(const QString& prompt, const QString& title, const QString& defaultText) {
    shown.append({"input", prompt, title.isEmpty() ? programTitle() : title, Icon::None, Buttons::OkCancel});
    if (onInput) onInput(shown.last());
    if (!m_inputs.empty()) {
        const bool given = m_inputs.front().has_value();
        const QString text = given ? *m_inputs.front() : QString();
        m_inputs.pop_front();
        if (!given) return std::nullopt;
        return text;
    }
    return defaultText;
}

QString ScriptedUi::openFileName(const QString& title, const QString& filter, const QString& folder) {
    shown.append({"file", filter, title, Icon::None, Buttons::OkCancel});
    if (m_files.empty()) return {};
    QString p = m_files.front();
    m_files.pop_front();
    return p;
}

QString ScriptedUi::browseForFolder(const QString& title) {
    shown.append({"folder", {}, title, Icon::None, Buttons::OkCancel});
    if (m_files.empty()) return {};
    QString p = m_files.front();
    m_files.pop_front();
    return p;
}

int ScriptedUi::random(int low, int high) {
    if (!randoms.empty()) {
        int r = randoms.front();
        randoms.pop_front();
        return r;
    }
    m_seed = m_seed * 1103515245u + 12345u;
    return low + int((m_seed >> 8) % unsigned(high - low + 1));
}

QStringList ScriptedUi::messageTexts() const {
    QStringList out;
    for (const auto& s : shown)
        if (s.kind == "message") out.append(s.text);
    return out;
}

bool ScriptedUi::desktopOpen(const QString& pathOrUrl) {
    if (m_failOpens > 0) {
        --m_failOpens;
        notOpened.append(pathOrUrl);
        return false;
    }
    opened.append(pathOrUrl);
    return true;
}
