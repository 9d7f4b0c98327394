#include "app/station/uStationTexts.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <vector>

namespace {

// A known text: the pattern of its English (each group fills %1, %2… of the Czech).
struct TKnownText {
    const char* English;
    const char* Czech;
};

constexpr TKnownText KnownTexts[] = {
    // How a step ended.
    {"stopped", "zastaveno"},
    {"the operator aborted", "operátor test přerušil"},
    {"nobody to ask", "není koho se zeptat"},
    {"nobody to apply the reference", "není nikdo, kdo by připojil referenci"},
    {"no RS-485 link", "chybí spojení RS-485"},
    {"connect the RS-485 test in the main window", "připojte test RS-485 v hlavním okně"},
    {"the module link is not open", "spojení s modulem není otevřené"},
    {"the RS-485 request could not be sent", "dotaz RS-485 nelze odeslat"},
    {"the jig wires no analog output to AI(\\d+)", "přípravek nemá na AI%1 zapojený analogový výstup"},
    {"internal fault", "vnitřní chyba programu"},
    {"the module did not give its identification \\(refused\\)", "modul odmítl dát svou identifikaci"},
    {"the module did not give its identification \\(no answer\\)", "modul nedal svou identifikaci (bez odpovědi)"},
    {"the module did not give its serial numbers \\(refused\\)", "modul odmítl dát svá výrobní čísla"},
    {"the module did not give its serial numbers \\(no answer\\)", "modul nedal svá výrobní čísla (bez odpovědi)"},
    // What was being done when a request failed, and how it failed.
    {"reading the identification", "čtení identifikace"},
    {"switching all outputs off", "vypínání všech výstupů"},
    {"switching an output on", "zapínání výstupu"},
    {"switching an output off", "vypínání výstupu"},
    {"reading the inputs", "čtení vstupů"},
    {"reading a counter", "čtení čítače"},
    {"reading the input ranges", "čtení rozsahů vstupů"},
    {"reading the input's divisions", "čtení dílků vstupu"},
    {"setting an analog output", "nastavení analogového výstupu"},
    {"reading the analog inputs", "čtení analogových vstupů"},
    {"reading the thermometers", "čtení teploměrů"},
    {"setting the clock", "nastavení hodin"},
    {"reading the clock", "čtení hodin"},
    {"changing the address", "změna adresy"},
    {"reading the address", "čtení adresy"},
    {"calibrating AI(\\d+)", "kalibrace AI%1"},
    {"refused \\(acknowledge code (\\d+)\\)", "odmítnuto (kód potvrzení %1)"},
    {"not sent \\(no link\\)", "neodesláno (chybí spojení)"},
    {"the link was closed", "spojení bylo uzavřeno"},
    {"no answer", "bez odpovědi"},
    {"a damaged answer", "poškozená odpověď"},
    {"only a late answer to an earlier request", "jen opožděná odpověď na dřívější dotaz"},
    {"the answer did not arrive in time", "odpověď nepřišla včas"},
    {"an answer the module should not give", "odpověď, kterou modul dávat nemá"},
    // Measurements: what failed in them, their names and units.
    {"DI(\\d+) on", "DI%1 sepnut"},
    {"DI(\\d+) off", "DI%1 rozepnut"},
    {"the reading's status is invalid \\((0x[0-9A-F]+)\\)", "stav měření je neplatný (%1)"},
    {"the coefficient does not fit the module \\(0\\.\\.65535\\)", "koeficient se do modulu nevejde (0..65535)"},
    {"inputs wrong", "chybných vstupů"},
    {"pulses", "pulzů"},
    {"product", "výrobek"},
    {"firmware", "firmware"},
    {"clock", "hodiny"},
    {"address", "adresa"},
    {"(AO\\d+ -> AI\\d+) at (\\S+) (V|mA)", "%1 při %2 %3"},
    {"RS-485 answer from (\\d+)", "odpověď RS-485 z adresy %1"},
    {"AI(\\d+) coefficient", "koeficient AI%1"},
    {"AI(\\d+) after calibration", "AI%1 po kalibraci"},
    // The prompt of a calibration against the operator's reference.
    {"Apply (\\S+) (V|mA) to AI(\\d+) and confirm", "Připojte %1 %2 na AI%3 a potvrďte"},
};

struct TCompiledText {
    QRegularExpression English;
    QString Czech;
};

const std::vector<TCompiledText>& Compiled()
{
    static const std::vector<TCompiledText> texts = [] {
        std::vector<TCompiledText> list;
        for (const TKnownText& t : KnownTexts)
            list.push_back({QRegularExpression(QStringLiteral("^(?:%1)$").arg(QString::fromUtf8(t.English))),
                            QString::fromUtf8(t.Czech)});
        return list;
    }();
    return texts;
}

// A number with a decimal point in the window's locale ("5.000" is "5,000" in Czech).
QString LocalNumber(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?\\d+\\.(\\d+)$"));
    const QRegularExpressionMatch match = decimal.match(text);
    if (!match.hasMatch()) return text;
    return QLocale().toString(text.toDouble(), 'f', int(match.capturedLength(1)));
}

QString Czech(const QString& text)
{
    for (const TCompiledText& known : Compiled()) {
        const QRegularExpressionMatch match = known.English.match(text);
        if (!match.hasMatch()) continue;
        QString czech = known.Czech;
        for (int i = 1; i <= match.lastCapturedIndex(); ++i) czech = czech.arg(LocalNumber(match.captured(i)));
        return czech;
    }
    // "what: how" and lists "a, b" are made of known texts.
    if (const qsizetype colon = text.indexOf(QLatin1String(": ")); colon > 0)
        return Czech(text.left(colon)) + QLatin1String(": ") + Czech(text.mid(colon + 2));
    if (text.contains(QLatin1String(", "))) {
        QStringList parts = text.split(QStringLiteral(", "));
        for (QString& part : parts) part = Czech(part);
        return parts.join(QLatin1String(", "));
    }
    return text;
}

} // namespace

QString StationText(const std::string& text)
{
    const QString english = QString::fromStdString(text);
    return QLocale().language() == QLocale::Czech ? Czech(english) : english;
}
