// Reads back a text file the program wrote: its non-empty lines, decoded as UTF-8; none
// when the file cannot be read.
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

inline QStringList ReadTextLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
