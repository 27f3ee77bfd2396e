#pragma once
// The outcome of a spreadsheet operation: success, or the reason it failed in words the nurse can read.

#include <QString>

namespace office {

class XlsxStatus {
public:
    static XlsxStatus success() { return XlsxStatus(); }
    static XlsxStatus failure(const QString& message) {
        return XlsxStatus(message.isEmpty() ? QStringLiteral("未知的錯誤") : message);
    }

    bool ok() const { return m_message.isEmpty(); }
    explicit operator bool() const { return ok(); }
    // Empty on success.
    const QString& message() const { return m_message; }

private:
    XlsxStatus() = default;
    explicit XlsxStatus(const QString& message) : m_message(message) {}
    QString m_message;
};

} // namespace office
