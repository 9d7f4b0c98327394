#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>
#include <QStyle>

#include <array>
#include <optional>

class QComboBox;
class QPainter;

// The colours of the character, decimal and hexadecimal parts of an address item.
struct TAddressColorScheme {
    QColor Character;
    QColor Decimal;
    QColor Hexadecimal;
};

enum class TAddressPart { Character, Decimal, Hexadecimal };

// One caption of an address item. Each piece moves the pen by Gap before it and by the
// width of AdvanceText after it, drawn or not, so that the columns line up.
struct TAddressPiece {
    TAddressPart Part;
    int FontSize;
    int Gap;
    QString Text;
    bool Drawn;
    QString AdvanceText;
};

// Turns a drop-down list into a selector of Tarvel device addresses: decimal items drawn
// as the address's character, decimal and hexadecimal forms in small coloured captions.
class TComboBoxTarvelAddress {
    Q_DECLARE_TR_FUNCTIONS(TComboBoxTarvelAddress)

public:
    // Fills a drop-down list (not an editable one) with the addresses first..last and selects
    // the initial one; installs the item heights (fixed or variable) and the drawing.
    static void Setup(QComboBox* list, int first, bool variableHeight, bool customDrawing, int initial, int last);
    // Height of an item: two item heights for 254 and 255 (they carry a second line).
    static int MeasureItem(const QComboBox* list, int index);
    static void DrawItem(QPainter* painter, const QComboBox* list, int index, const QRect& rect, QStyle::State state);

    // 15 pixels at 96 dots per inch, scaled to the list's screen.
    static int ItemHeight(const QComboBox* list);
    // The address an item stands for; none when its text is not an integer 0..255.
    static std::optional<int> ItemAddress(const QComboBox* list, int index);
    static TAddressColorScheme ChooseScheme(int address, bool enabled, bool selected);
    static std::array<TAddressPiece, 6> ComposePieces(int address);
    // The explanation under the two reserved addresses; empty for the others.
    static QString SecondLine(int address);
    // The width the pieces of an item take.
    static int ItemWidth(const QComboBox* list);
};
