#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

// Readable failure output for Qt strings in test expectations.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toPercentEncoding(" ;=.,:-+_/").toStdString() << '"';
}
