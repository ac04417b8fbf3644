#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Failing expectations show Qt texts readably, with CR and LF made visible.
inline void PrintTo(const QString &text, std::ostream *out)
{
    QString shown = text;
    shown.replace(u'\r', QStringLiteral("\\r"));
    shown.replace(u'\n', QStringLiteral("\\n"));
    *out << '"' << shown.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '[';
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (i > 0) {
            *out << ", ";
        }
        PrintTo(list[i], out);
    }
    *out << ']';
}
