#include "core/HtmlOutput.h"

#include "core/Database.h"
#include "core/DateNumberRules.h"
#include "core/Program.h"
#include "office/FileWrite.h"

#include <QDir>
#include <QTreeWidget>
#include <QUrl>

QString htmlPagePath(Program& program) {
    return program.path(QStringLiteral("DataBase/DebugStr.html"));
}

QString htmlPage(Program& program, const QString& title, const QString& body) {
    QString page;
    page += QStringLiteral("<!DOCTYPE html>\n<html lang=\"zh-Hant\">\n<head>\n<meta charset=\"utf-8\">\n");
    page += QStringLiteral("<title>") + title.toHtmlEscaped() + QStringLiteral("</title>\n");
    page += QStringLiteral(
        "<style>\nbody { font-family: \"Noto Sans CJK TC\", \"Microsoft JhengHei\", sans-serif; font-size: 11pt; }\n"
        "table { border-collapse: collapse; }\n"
        "th { background: #008080; color: #ffffff; font-weight: bold; }\n"
        "th, td { border: 1px solid #808080; padding: 2px 6px; white-space: pre-wrap; vertical-align: top; }\n"
        ".banner { font-size: 14pt; font-weight: bold; }\n</style>\n</head>\n<body>\n");
    page += QStringLiteral("<div class=\"time\">") + rules::dateTimeText(program.ui().now()).toHtmlEscaped() +
            QStringLiteral("</div>\n<P></P>\n<P></P>\n");
    page += body;
    page += QStringLiteral("\n</body>\n</html>\n");
    return page;
}

QString htmlBanner(const QString& title) {
    return QStringLiteral("<div class=\"banner\">") + title.toHtmlEscaped() + QStringLiteral("</div>\n");
}

QString attachmentLinkHtml(Program& program, const QString& name) {
    if (name.isEmpty() || name == QLatin1String("-")) return name.toHtmlEscaped();
    const QString url =
        QUrl::fromLocalFile(program.path(QStringLiteral("DataBase/附件資料/")) + name).toString(QUrl::FullyEncoded);
    return QStringLiteral("<a href=\"") + url.toHtmlEscaped() + QStringLiteral("\">") + name.toHtmlEscaped() +
           QStringLiteral("</a>");
}

QString recordsetHtmlTable(Program& program, const Recordset& rs) {
    QString out = QStringLiteral("<table>\n<tr>");
    const int pdf = rs.fieldIndex(QStringLiteral("xPDF"));
    for (const QString& f : rs.fieldNames())
        out += QStringLiteral("<th>") + f.toHtmlEscaped() + QStringLiteral("</th>");
    out += QStringLiteral("</tr>\n");
    for (int r = 0; r < rs.recordCount(); ++r) {
        out += QStringLiteral("<tr>");
        for (int c = 0; c < rs.fieldCount(); ++c) {
            const QString v = rs.text(r, c);
            out += QStringLiteral("<td>");
            out += c == pdf ? attachmentLinkHtml(program, v) : v.toHtmlEscaped();
            out += QStringLiteral("</td>");
        }
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table>\n");
    return out;
}

QString listViewHtmlTable(const QTreeWidget* list) {
    QString out = QStringLiteral("<table>\n<tr>");
    const QTreeWidgetItem* header = list->headerItem();
    const int cols = list->columnCount();
    for (int c = 0; c < cols; ++c)
        out += QStringLiteral("<th>") + header->text(c).toHtmlEscaped() + QStringLiteral("</th>");
    out += QStringLiteral("</tr>\n");
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = list->topLevelItem(r);
        out += QStringLiteral("<tr>");
        for (int c = 0; c < cols; ++c)
            out += QStringLiteral("<td>") + item->text(c).toHtmlEscaped() + QStringLiteral("</td>");
        out += QStringLiteral("</tr>\n");
    }
    out += QStringLiteral("</table>\n");
    return out;
}

bool ShowHtmlText(Program& program, const QString& title, const QString& body) {
    const QString path = htmlPagePath(program);
    QDir().mkpath(QFileInfo(path).absolutePath());
    // A page that cannot be written (a full disk, a read-only folder) leaves the previous page whole and is said.
    if (QString why; !office::saveWhole(path, htmlPage(program, title, body).toUtf8(), &why)) {
        program.ui().message(QStringLiteral("無法儲存網頁:\r\n\r\n") + why + QStringLiteral("\r\n\r\n") +
                                 QDir::toNativeSeparators(path),
                             {}, Ui::Icon::Critical);
        return false;
    }
    program.ui().openWithDesktop(QUrl::fromLocalFile(path).toString());
    return true;
}

bool ShowRecordsetAsHtml(Program& program, const QString& title, const Recordset& rs, const QString& note) {
    QString body = htmlBanner(title) + recordsetHtmlTable(program, rs);
    if (!note.isEmpty()) body += note + QStringLiteral("<P><P>");
    return ShowHtmlText(program, title, body);
}

bool ShowListViewAsHtml(Program& program, const QTreeWidget* list, const QString& title) {
    return ShowHtmlText(program, title, htmlBanner(title) + listViewHtmlTable(list));
}
