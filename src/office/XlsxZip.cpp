#include "office/XlsxZip.h"

#include <QFile>

#include <zip.h>

namespace office {

namespace {

QString zipReason(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    const QString text = QString::fromUtf8(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

} // namespace

XlsxStatus xlsxReadZip(const QString& path, std::vector<XlsxZipEntry>* entries, qint64 maxTotalBytes) {
    entries->clear();
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &code);
    if (!za) {
        if (code == ZIP_ER_NOZIP || code == ZIP_ER_INCONS)
            return XlsxStatus::failure(QStringLiteral("檔案已損毀或不是 Excel 活頁簿 (.xlsx)"));
        if (code == ZIP_ER_NOENT) return XlsxStatus::failure(QStringLiteral("檔案不存在"));
        return XlsxStatus::failure(QStringLiteral("無法開啟檔案: %1").arg(zipReason(code)));
    }
    const zip_int64_t n = zip_get_num_entries(za, 0);
    qint64 total = 0;
    XlsxStatus status = XlsxStatus::success();
    for (zip_int64_t i = 0; i < n && status; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME)) {
            status = XlsxStatus::failure(QStringLiteral("檔案已損毀 (壓縮目錄無法讀取)"));
            break;
        }
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(u'/')) continue; // a folder entry carries nothing
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
            status = XlsxStatus::failure(QStringLiteral("檔案已加密，無法讀取"));
            break;
        }
        const qint64 size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        total += size;
        if (total > maxTotalBytes) {
            status = XlsxStatus::failure(QStringLiteral("檔案過大，無法讀取"));
            break;
        }
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        if (!f) {
            status = XlsxStatus::failure(QStringLiteral("檔案已損毀 (%1 無法讀取)").arg(name));
            break;
        }
        QByteArray data(size, Qt::Uninitialized);
        qint64 got = 0;
        while (got < size) {
            const zip_int64_t r = zip_fread(f, data.data() + got, zip_uint64_t(size - got));
            if (r <= 0) break;
            got += r;
        }
        zip_fclose(f);
        if (got != size) {
            status = XlsxStatus::failure(QStringLiteral("檔案已損毀 (%1 無法讀取)").arg(name));
            break;
        }
        entries->push_back({name, std::move(data)});
    }
    zip_discard(za);
    if (!status) entries->clear();
    return status;
}

XlsxStatus xlsxBuildZip(const std::vector<XlsxZipEntry>& entries, QByteArray* archive) {
    archive->clear();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!src) {
        zip_error_fini(&error);
        return XlsxStatus::failure(QStringLiteral("記憶體不足"));
    }
    zip_t* za = zip_open_from_source(src, ZIP_TRUNCATE, &error);
    if (!za) {
        zip_source_free(src);
        zip_error_fini(&error);
        return XlsxStatus::failure(QStringLiteral("無法建立壓縮檔"));
    }
    zip_source_keep(src); // the buffer outlives the archive: its bytes are the result
    XlsxStatus status = XlsxStatus::success();
    for (const XlsxZipEntry& e : entries) {
        zip_source_t* data = zip_source_buffer(za, e.data.constData(), zip_uint64_t(e.data.size()), 0);
        const QByteArray name = e.name.toUtf8();
        const zip_int64_t idx = data ? zip_file_add(za, name.constData(), data, ZIP_FL_ENC_UTF_8) : -1;
        if (idx < 0) {
            if (data) zip_source_free(data);
            status = XlsxStatus::failure(QStringLiteral("無法加入 %1 到壓縮檔").arg(e.name));
            break;
        }
        zip_set_file_compression(za, zip_uint64_t(idx), ZIP_CM_DEFLATE, 6);
    }
    if (!status) {
        zip_discard(za);
        zip_source_free(src);
        zip_error_fini(&error);
        return status;
    }
    if (zip_close(za) != 0) {
        status = XlsxStatus::failure(QStringLiteral("無法建立壓縮檔: %1").arg(QString::fromUtf8(zip_strerror(za))));
        zip_discard(za);
        zip_source_free(src);
        zip_error_fini(&error);
        return status;
    }
    zip_stat_t st;
    if (zip_source_stat(src, &st) == 0 && zip_source_open(src) == 0) {
        archive->resize(qsizetype(st.size));
        zip_int64_t got = zip_source_read(src, archive->data(), st.size);
        zip_source_close(src);
        if (got != zip_int64_t(st.size)) {
            archive->clear();
            status = XlsxStatus::failure(QStringLiteral("無法建立壓縮檔"));
        }
    } else {
        status = XlsxStatus::failure(QStringLiteral("無法建立壓縮檔"));
    }
    zip_source_free(src);
    zip_error_fini(&error);
    return status;
}

} // namespace office
