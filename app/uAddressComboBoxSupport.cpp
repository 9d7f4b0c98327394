#include "app/uAddressComboBoxSupport.h"

#include "app/uWindows1250.h"

#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

namespace {

const QString ItemFontFamily = QStringLiteral("Arial");
constexpr int SpecialAddress = 0xFE;
constexpr int UniversalAddress = 0xFF;

QFont SizedFont(int pointSize)
{
    QFont font(ItemFontFamily);
    font.setPointSize(pointSize);
    return font;
}

QFont ListFont(const QComboBox* list)
{
    QFont font = list->font();
    font.setFamily(ItemFontFamily);
    return font;
}

// The character an address stands for on the module's side.
QString AddressCharacter(int address)
{
    const char byte = char(address);
    return FromWindows1250(std::string_view(&byte, 1));
}

QColor BgrColour(unsigned bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

bool IsDigitOrLetterCode(int n)
{
    return (n >= '0' && n <= '9') || (n >= 'A' && n <= 'Z') || (n >= 'a' && n <= 'z');
}

QColor PartColour(const TAddressColorScheme& scheme, TAddressPart part)
{
    switch (part) {
    case TAddressPart::Character: return scheme.Character;
    case TAddressPart::Decimal: return scheme.Decimal;
    case TAddressPart::Hexadecimal: return scheme.Hexadecimal;
    }
    return scheme.Character;
}

// Item heights and drawing for the popup list, and the drawing of the closed list, which
// shows the selected item the same way.
class TTarvelAddressDelegate : public QStyledItemDelegate {
public:
    TTarvelAddressDelegate(QComboBox* list, bool variableHeight, bool customDrawing)
        : QStyledItemDelegate(list)
        , FList(list)
        , FVariableHeight(variableHeight)
        , FCustomDrawing(customDrawing)
    {
        list->installEventFilter(this);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int height = FVariableHeight ? TComboBoxTarvelAddress::MeasureItem(FList, index.row())
                                           : TComboBoxTarvelAddress::ItemHeight(FList);
        const int width = FCustomDrawing ? TComboBoxTarvelAddress::ItemWidth(FList)
                                         : QStyledItemDelegate::sizeHint(option, index).width();
        return {width, height};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (FCustomDrawing)
            TComboBoxTarvelAddress::DrawItem(painter, FList, index.row(), option.rect, option.state);
        else
            QStyledItemDelegate::paint(painter, option, index);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The list itself is watched for its paint events only; the base class would take
        // it for an item editor.
        if (watched != FList)
            return QStyledItemDelegate::eventFilter(watched, event);
        if (!FCustomDrawing || event->type() != QEvent::Paint)
            return false;
        PaintClosedList();
        return true;
    }

private:
    void PaintClosedList() const
    {
        QPainter painter(FList);
        QStyleOptionComboBox option;
        option.initFrom(FList);
        option.editable = false;
        option.frame = FList->hasFrame();
        option.subControls = QStyle::SC_All;
        FList->style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, FList);
        const QRect field = FList->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, FList);
        // One item line, centred in the field: the closed list never shows a second line.
        const int height = TComboBoxTarvelAddress::ItemHeight(FList);
        const QRect item(field.left(), field.top() + (field.height() - height) / 2, field.width(), height);
        painter.setClipRect(field);
        const QStyle::State state = FList->hasFocus() ? QStyle::State_Selected : QStyle::State_None;
        TComboBoxTarvelAddress::DrawItem(&painter, FList, FList->currentIndex(), item, state);
    }

    QComboBox* FList;
    bool FVariableHeight;
    bool FCustomDrawing;
};

} // namespace

void TComboBoxTarvelAddress::Setup(QComboBox* list, int first, bool variableHeight, bool customDrawing, int initial,
                                   int last)
{
    if (!list || list->isEditable())
        return;
    if (auto* previous = dynamic_cast<TTarvelAddressDelegate*>(list->itemDelegate())) {
        list->removeEventFilter(previous);
        previous->deleteLater();
    }
    list->setItemDelegate(new TTarvelAddressDelegate(list, variableHeight, customDrawing));
    if (customDrawing)
        list->setFont(ListFont(list));

    const QSignalBlocker blocker(list);
    list->setUpdatesEnabled(false);
    list->clear();
    first = std::clamp(first, 0, 255);
    last = std::clamp(last, 0, 255);
    for (int address = first; address <= last; ++address)
        list->addItem(QString::number(address));
    list->setCurrentIndex(list->findText(QString::number(initial), Qt::MatchExactly));
    list->setUpdatesEnabled(true);
}

int TComboBoxTarvelAddress::ItemHeight(const QComboBox* list)
{
    // Rounded to nearest, as a multiply-then-divide of the desktop does.
    return (15 * list->logicalDpiY() + 48) / 96;
}

std::optional<int> TComboBoxTarvelAddress::ItemAddress(const QComboBox* list, int index)
{
    if (index < 0 || index >= list->count())
        return std::nullopt;
    bool ok = false;
    const int address = list->itemText(index).toInt(&ok);
    if (!ok || address < 0 || address > 255)
        return std::nullopt;
    return address;
}

int TComboBoxTarvelAddress::MeasureItem(const QComboBox* list, int index)
{
    const std::optional<int> address = ItemAddress(list, index);
    return ItemHeight(list) * (address && *address >= SpecialAddress ? 2 : 1);
}

TAddressColorScheme TComboBoxTarvelAddress::ChooseScheme(int address, bool enabled, bool selected)
{
    if (!enabled)
        return {BgrColour(0x808080), BgrColour(0x808080), BgrColour(0x808080)};
    if (selected)
        return {BgrColour(0xFFFFFF), BgrColour(0xFFFF00), BgrColour(0x00FFFF)};
    if (IsDigitOrLetterCode(address))
        return {BgrColour(0x800000), BgrColour(0x008000), BgrColour(0x000080)};
    return {BgrColour(0x808080), BgrColour(0x008000), BgrColour(0x000080)};
}

std::array<TAddressPiece, 6> TComboBoxTarvelAddress::ComposePieces(int address)
{
    const bool printable = address >= 32;
    const QString hex = QStringLiteral("%1").arg(address, 2, 16, QLatin1Char('0')).toUpper();
    return {{
        {TAddressPart::Character, 7, 3, QStringLiteral("ascii:"), printable, QStringLiteral("ascii:")},
        {TAddressPart::Character, 9, 2, printable ? AddressCharacter(address) : QString(), printable, QStringLiteral("W")},
        {TAddressPart::Decimal, 7, 4, QStringLiteral("dec:"), true, QStringLiteral("dec:")},
        {TAddressPart::Decimal, 9, 2, QString::number(address), true, QStringLiteral("999")},
        {TAddressPart::Hexadecimal, 7, 4, QStringLiteral("hex:"), true, QStringLiteral("hex:")},
        {TAddressPart::Hexadecimal, 9, 2, hex, true, QStringLiteral("WWW")},
    }};
}

// 0xFF is the universal address and 0xFE the special one, as the protocol names them.
QString TComboBoxTarvelAddress::SecondLine(int address)
{
    if (address == UniversalAddress)
        return tr("(universal tarvel address)");
    if (address == SpecialAddress)
        return tr("(special tarvel address)");
    return {};
}

int TComboBoxTarvelAddress::ItemWidth(const QComboBox* list)
{
    int x = 0;
    for (const TAddressPiece& piece : ComposePieces(0))
        x += piece.Gap + QFontMetrics(SizedFont(piece.FontSize), list).horizontalAdvance(piece.AdvanceText);
    const int secondLine = 3 + QFontMetrics(SizedFont(8), list).horizontalAdvance(SecondLine(UniversalAddress));
    return std::max(x, secondLine) + 3;
}

void TComboBoxTarvelAddress::DrawItem(QPainter* painter, const QComboBox* list, int index, const QRect& rect,
                                      QStyle::State state)
{
    const bool enabled = list->isEnabled();
    const bool selected = state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group = enabled ? QPalette::Active : QPalette::Disabled;
    painter->save();
    painter->fillRect(rect, list->palette().brush(group, selected ? QPalette::Highlight : QPalette::Base));
    const std::optional<int> address = ItemAddress(list, index);
    if (address) {
        const int itemHeight = ItemHeight(list);
        const int y0 = rect.top() + (itemHeight - QFontMetrics(ListFont(list), list).height()) / 2;
        const TAddressColorScheme scheme = ChooseScheme(*address, enabled, selected);
        int x = rect.left();
        for (const TAddressPiece& piece : ComposePieces(*address)) {
            const QFont font = SizedFont(piece.FontSize);
            const QFontMetrics metrics(font, list);
            x += piece.Gap;
            if (piece.Drawn) {
                painter->setFont(font);
                painter->setPen(PartColour(scheme, piece.Part));
                const int top = piece.FontSize < 9 ? y0 + 2 : y0;
                painter->drawText(QPoint(x, top + metrics.ascent()), piece.Text);
            }
            x += metrics.horizontalAdvance(piece.AdvanceText);
        }
        if (rect.height() > itemHeight && !SecondLine(*address).isEmpty()) {
            const QFont font = SizedFont(8);
            const QFontMetrics metrics(font, list);
            painter->setFont(font);
            painter->setPen(Qt::black);
            const int top = rect.top() + rect.height() - metrics.height() - 3;
            painter->drawText(QPoint(rect.left() + 3, top + metrics.ascent()), SecondLine(*address));
        }
    }
    painter->restore();
}
