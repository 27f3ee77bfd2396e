#pragma once
// The program's web page DataBase/DebugStr.html: a UTF-8 page with a fixed head, the title, the current date and
// time, two empty paragraphs and the body; every value is HTML-escaped. Each call rewrites the page and opens it
// with the desktop's browser.

#include <QString>

class Program;
class Recordset;
class QTreeWidget;

// The path of the page.
QString htmlPagePath(Program& program);
// The whole page text for a title and an HTML body (the time from the program's clock).
QString htmlPage(Program& program, const QString& title, const QString& body);
// A title banner as the pages show it (escaped).
QString htmlBanner(const QString& title);
// A table of a recordset: the field names as the header row, one row per record. A field xPDF shows a link to the
// attachment in DataBase/附件資料/ ("-" or empty meaning none).
QString recordsetHtmlTable(Program& program, const Recordset& rs);
// An attachment cell: a link to the file in DataBase/附件資料/ ("-" or empty meaning none, shown as they are).
QString attachmentLinkHtml(Program& program, const QString& name);
// A table of a list view: the column captions as the header row, one row per list row.
QString listViewHtmlTable(const QTreeWidget* list);

// Writes the page (atomically) and opens it. A page that cannot be written is said in a message box (the previous
// page stays as it was) and false is returned.
bool ShowHtmlText(Program& program, const QString& title, const QString& body);
// The page with the title banner, the recordset's table and, when the note is not empty, the note and "<P><P>".
bool ShowRecordsetAsHtml(Program& program, const QString& title, const Recordset& rs, const QString& note = {});
// The page with the list view's table.
bool ShowListViewAsHtml(Program& program, const QTreeWidget* list, const QString& title);
