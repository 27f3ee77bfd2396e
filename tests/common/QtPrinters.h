#pragma once
// How GoogleTest prints Qt values in a failure message: a QString as its text in quotes (not as a list of 2-byte
// objects), a list as its texts, a variant as its text. Every test program gets these (tests/CMakeLists.txt includes
// this header ahead of each test source), so a failing EXPECT_EQ on Chinese text reads as the text.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0) *os << ", ";
        PrintTo(list.at(i), os);
    }
    *os << '}';
}

inline void PrintTo(const QVariant& v, std::ostream* os) {
    if (v.isNull())
        *os << "NULL";
    else
        PrintTo(v.toString(), os);
}

inline void PrintTo(const QDate& d, std::ostream* os) {
    *os << (d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("(invalid date)"));
}
