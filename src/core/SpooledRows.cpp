#include "core/SpooledRows.h"

#include "core/Database.h"
#include "office/FileWrite.h"
#include "office/XlsxText.h"

#include <QDir>
#include <QTemporaryFile>

#include <algorithm>

namespace {

// A record is its length in bytes, then each text as its length and its UTF-8 bytes; lengths are LEB128 numbers.
void putLength(QByteArray& out, quint32 n) {
    while (n >= 0x80) {
        out.append(char((n & 0x7F) | 0x80));
        n >>= 7;
    }
    out.append(char(n));
}

// Reads a length at p (before end); advances p. A damaged record reads as empty.
quint32 takeLength(const char*& p, const char* end) {
    quint32 n = 0;
    for (int shift = 0; p < end && shift < 35; shift += 7) {
        const auto b = uchar(*p++);
        n |= quint32(b & 0x7F) << shift;
        if (!(b & 0x80)) return n;
    }
    return 0;
}

constexpr int kMarkEvery = 256;                // records between two remembered offsets
constexpr qsizetype kFlushAbove = 1 << 20;     // bytes kept in memory before they go to the file
constexpr qint64 kReadAhead = qint64(1) << 18; // bytes read from the file at a time

} // namespace

struct SpooledRows::Store {
    QStringList fields;
    QString folder; // the temporary folder, named when the file fails
    QTemporaryFile file;
    QByteArray pending; // bytes not in the file yet
    qint64 size = 0;    // bytes in the file
    int count = 0;
    std::vector<qint64> marks; // the offset of records 0, kMarkEvery, 2 * kMarkEvery ...
    std::vector<int> widths;
    QByteArray row;  // the record being appended
    QString failure; // why the file failed: every later use throws it again

    // Reading: the record decoded last and a window of the file.
    int current = -1;
    QStringList texts;
    qint64 after = 0; // the offset of the record after `current`
    QByteArray window;
    qint64 windowStart = 0;

    explicit Store(QStringList f) : fields(std::move(f)), folder(QDir::tempPath()), widths(size_t(fields.size()), 0) {
        file.setFileTemplate(folder + QStringLiteral("/ostiva-rows.XXXXXX"));
        // Unbuffered: `pending` is the buffer, and a write the system refuses fails in write() itself, not later in a
        // seek or a read nobody checks.
        QFile& plain = file;
        if (!plain.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
            fail(QStringLiteral("無法建立暫存檔, 暫存資料夾: %1 (%2)"));
    }

    // Remembers why the file failed and throws it; `what` takes the folder and the system's reason.
    [[noreturn]] void fail(const QString& what) {
        failure = what.arg(QDir::toNativeSeparators(folder), file.errorString());
        pending = QByteArray();
        window = QByteArray();
        throw SpoolError(failure);
    }
    void check() const {
        if (!failure.isEmpty()) throw SpoolError(failure);
    }

    qint64 total() const { return size + pending.size(); }

    void flush() {
        check();
        if (pending.isEmpty()) return;
        const auto cannotWrite = QStringLiteral("無法寫入暫存檔, 暫存資料夾: %1 (%2)");
        if (!file.seek(size)) fail(cannotWrite);
        if (!office::writeAll(file, pending)) fail(cannotWrite);
        size += pending.size();
        pending.clear();
        window.clear();
    }

    void add(QByteArrayView utf8, int c) {
        putLength(row, quint32(utf8.size()));
        row.append(utf8);
        // A character is at most as wide as its UTF-8 bytes are many: only a text that could be wider is measured.
        int& w = widths[size_t(c)];
        if (utf8.size() > w) w = std::max(w, office::xlsxDisplayWidth(QString::fromUtf8(utf8.data(), utf8.size())));
    }

    void endRow() {
        check();
        if (count % kMarkEvery == 0) marks.push_back(total());
        putLength(pending, quint32(row.size()));
        pending.append(row);
        row.clear();
        ++count;
        if (pending.size() > kFlushAbove) flush();
    }

    // At least `need` bytes from offset `pos` (fewer at the end).
    const char* bytesAt(qint64 pos, qint64 need, qint64* got) {
        flush();
        if (pos < windowStart || pos + need > windowStart + window.size()) {
            const auto cannotRead = QStringLiteral("無法讀取暫存檔, 暫存資料夾: %1 (%2)");
            const qint64 want = std::clamp(std::max(need, kReadAhead), qint64(0), std::max<qint64>(size - pos, 0));
            window.resize(qsizetype(want));
            windowStart = pos;
            if (want > 0 && !file.seek(pos)) fail(cannotRead);
            // The file holds every byte written: a read that ends early is a failure, never an end.
            for (qint64 done = 0; done < want;) {
                const qint64 n = file.read(window.data() + done, want - done);
                if (n <= 0) fail(cannotRead);
                done += n;
            }
        }
        *got = windowStart + window.size() - pos;
        return window.constData() + (pos - windowStart);
    }

    // Decodes record r (or only steps over it when `texts` is null) at offset pos; the offset after it.
    qint64 decode(qint64 pos, QStringList* out) {
        qint64 got = 0;
        const char* head = bytesAt(pos, 5, &got);
        const char* p = head;
        const quint32 length = takeLength(p, head + std::min<qint64>(got, 5));
        const qint64 start = pos + (p - head);
        if (out) {
            out->clear();
            const char* body = bytesAt(start, length, &got);
            const char* end = body + std::min<qint64>(got, length);
            while (body < end) {
                const quint32 n = takeLength(body, end);
                const qint64 take = std::min<qint64>(n, end - body);
                out->append(QString::fromUtf8(body, take));
                body += take;
            }
        }
        return start + length;
    }

    const QStringList& record(int r) {
        check();
        if (r == current) return texts;
        qint64 pos;
        int at;
        if (current >= 0 && r > current && r - current <= kMarkEvery) {
            pos = after;
            at = current + 1;
        } else {
            pos = marks[size_t(r / kMarkEvery)];
            at = r / kMarkEvery * kMarkEvery;
        }
        for (; at < r; ++at)
            pos = decode(pos, nullptr);
        after = decode(pos, &texts);
        current = r;
        return texts;
    }
};

SpooledRows::SpooledRows(QStringList fields) : m_store(std::make_shared<Store>(std::move(fields))) {}

SpooledRows SpooledRows::read(const Database& db, const QString& sql, const QVariantList& params) {
    SpooledRows rows;
    db.forEachRow(sql, params, [&](const RowView& row) {
        if (!rows.m_store) rows = SpooledRows(row.columnNames());
        rows.append(row);
    });
    if (!rows.m_store) rows = SpooledRows(db.resultColumns(sql));
    return rows;
}

const QStringList& SpooledRows::fields() const {
    static const QStringList none;
    return m_store ? m_store->fields : none;
}

SpooledRows::Store& SpooledRows::store() {
    if (!m_store) m_store = std::make_shared<Store>(QStringList());
    return *m_store;
}

void SpooledRows::append(const QStringList& texts) {
    Store& s = store();
    for (int c = 0; c < s.fields.size(); ++c)
        s.add(c < texts.size() ? texts[c].toUtf8() : QByteArray(), c);
    s.endRow();
}

void SpooledRows::append(const RowView& row) {
    append(row, -1, {});
}

void SpooledRows::append(const RowView& row, int column, const QString& text) {
    Store& s = store();
    const int n = std::min(int(s.fields.size()), row.columnCount());
    for (int c = 0; c < s.fields.size(); ++c) {
        if (c == column)
            s.add(text.toUtf8(), c);
        else if (c >= n)
            s.add({}, c);
        else if (row.isReal(c))
            s.add(row.text(c).toUtf8(), c); // the shortest form of the number, as a recordset writes it
        else
            s.add(row.utf8(c), c);
    }
    s.endRow();
}

int SpooledRows::recordCount() const {
    return m_store ? m_store->count : 0;
}

QString SpooledRows::text(int r, int c) const {
    if (!m_store || r < 0 || r >= m_store->count) return {};
    return m_store->record(r).value(c);
}

QString SpooledRows::text(int r, const QString& field) const {
    for (int c = 0; c < fieldCount(); ++c)
        if (fields()[c].compare(field, Qt::CaseInsensitive) == 0) return text(r, c);
    return {};
}

std::vector<int> SpooledRows::widths(int first, int count) const {
    if (!m_store) return {};
    Store& s = *m_store;
    first = std::max(first, 0);
    count = std::min(count, s.count - first);
    if (first == 0 && count == s.count) return s.widths;
    std::vector<int> w(size_t(s.fields.size()), 0);
    for (int r = first; r < first + count; ++r) {
        const QStringList& texts = s.record(r);
        for (int c = 0; c < texts.size() && c < int(w.size()); ++c)
            if (texts[c].size() * 2 > w[size_t(c)])
                w[size_t(c)] = std::max(w[size_t(c)], office::xlsxDisplayWidth(texts[c]));
    }
    return w;
}
