#include "app/uWindows1250.h"

#include <QStringDecoder>

QString FromWindows1250(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    QStringDecoder decoder("windows-1250");
    return decoder.isValid() ? decoder.decode(view) : QString::fromLatin1(view);
}
