#pragma once
// The question catalogue `OnlineKeyIn` of the two key-in dialogs: the rows the program ships, and the structure each
// dialog expects of it (its sections, their roots and item codes).

#include <QString>
#include <QStringList>
#include <vector>

class Database;

namespace keyin {

// One row of `OnlineKeyIn`. `type` begins with `mainCode`; `source` is the root name of the item's tree.
struct CatalogueRow {
    QString mainCode;
    QString type;
    QString note;
    QString source;
    QString topic;
};

// Every shipped row, NMQ first, each topic in code order.
const std::vector<CatalogueRow>& catalogueRows();

// Fills `OnlineKeyIn` with the shipped rows when the table exists and holds no row; returns the number inserted.
// A catalogue that already holds rows is left as it is.
int seedOnlineKeyIn(Database& db);

// The topics of the two dialogs.
inline const QString kTopicNmq = QStringLiteral("NMQ");
inline const QString kTopicOverLoading = QStringLiteral("OverLoading");

// One section of a questionnaire: its letter and the number of items (codes letter01 .. letterNN).
struct Section {
    QChar letter;
    int count;
    int tree; // 0, 1 or 2: the tree the section's items stand in
};

// The sections each topic's dialog expects, in tree order.
const std::vector<Section>& sectionsOf(const QString& topic);
// The codes a topic's dialog expects ("A01", "A02" ...), in tree and code order.
QStringList expectedCodes(const QString& topic);

} // namespace keyin
