// The fonts of the GUI tests. Tests that look at pixels or measure text must not depend
// on the fonts a machine happens to have: these tests draw with the DejaVu fonts of
// fonts-dejavu-core, loaded from their files, and every family the program asks for by
// name resolves to them, whatever else is installed.
#pragma once

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QString>

// Call once the application object exists.
inline void PinTestFonts()
{
    const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf"}) {
        if (QFontDatabase::addApplicationFont(folder + QLatin1String(file)) < 0)
            qFatal("The test font %s%s is missing (package fonts-dejavu-core)", qPrintable(folder), file);
    }
    // The families the windows name, which the machine's font configuration would map
    // to whatever it has.
    for (const char* family : {"Arial", "Calibri"}) QFont::insertSubstitution(QLatin1String(family), "DejaVu Sans");
    QFont::insertSubstitution(QStringLiteral("Lucida Console"), QStringLiteral("DejaVu Sans Mono"));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
}
