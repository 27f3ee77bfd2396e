#pragma once
// The outcome of every office operation (spreadsheets, Word documents, zip containers): success, or a code saying
// what went wrong and the reason in words the nurse can read (Traditional Chinese, naming the file where it helps).

#include <QString>

namespace office {

enum class OfficeError {
    None,
    Missing,       // the file does not exist
    Unreadable,    // it exists but cannot be read (permissions, a device error)
    OleFile,       // a legacy Office 97-2003 file or one encrypted with an open password
    NotZip,        // no zip archive at all, or one cut short
    Damaged,       // a zip archive or an XML part that does not hold together
    Encrypted,     // an entry of the archive is encrypted
    TooLarge,      // the entries would unpack to more than the reader allows
    NotDocument,   // a readable archive that is not the kind of document expected
    Unsupported,   // a document of a kind the program cannot handle (a binary workbook)
    NoSuchSheet,   // a sheet position or name the workbook does not have, or a chart sheet
    InvalidInput,  // a cell reference, number, name or template the call cannot use
    WrongPassword, // a sheet protection password that does not match
    WriteFailed,   // the output could not be written (folder, permissions, disk)
    Unknown,
};

class [[nodiscard]] OfficeStatus {
public:
    static OfficeStatus success() { return OfficeStatus(); }
    static OfficeStatus failure(OfficeError code, const QString& message) {
        return OfficeStatus(code == OfficeError::None ? OfficeError::Unknown : code,
                            message.isEmpty() ? QStringLiteral("未知的錯誤") : message);
    }
    static OfficeStatus failure(const QString& message) { return failure(OfficeError::Unknown, message); }

    bool ok() const { return m_code == OfficeError::None; }
    explicit operator bool() const { return ok(); }
    OfficeError code() const { return m_code; }
    // Empty on success.
    const QString& message() const { return m_message; }

private:
    OfficeStatus() = default;
    OfficeStatus(OfficeError code, const QString& message) : m_code(code), m_message(message) {}
    OfficeError m_code = OfficeError::None;
    QString m_message;
};

} // namespace office
