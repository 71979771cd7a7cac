#pragma once
// Readable GoogleTest output for Qt strings and raw names.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *os << (i ? ", " : " ");
        PrintTo(list[i], os);
    }
    *os << " }";
}

// Raw bytes, printable ASCII as it is and the rest as \xHH.
inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    static const char hex[] = "0123456789abcdef";
    *os << '"';
    for (const char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && u != '\\')
            *os << c;
        else
            *os << "\\x" << hex[u >> 4] << hex[u & 15];
    }
    *os << '"';
}
