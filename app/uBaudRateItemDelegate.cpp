#include "app/uBaudRateItemDelegate.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>

namespace {

constexpr int TextLeft = 2;
constexpr int TextTop = 1;

} // namespace

bool TBaudRateItemDelegate::IsBoldRate(const QString& text)
{
    return text == QLatin1String("9600") || text == QLatin1String("115200");
}

QFont TBaudRateItemDelegate::ItemFont(const QFont& base, const QString& text)
{
    QFont font = base;
    font.setBold(IsBoldRate(text));
    return font;
}

void TBaudRateItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const
{
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const QString text = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    const bool enabled = option.state & QStyle::State_Enabled;
    const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(ItemFont(option.font, text));
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect textRect = option.rect.adjusted(TextLeft, TextTop, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}

QSize TBaudRateItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetrics metrics(ItemFont(option.font, text));
    return {metrics.horizontalAdvance(text) + 2 * TextLeft, metrics.height() + 2 * TextTop};
}

void TBaudRateItemDelegate::Install(QComboBox* list)
{
    list->setItemDelegate(new TBaudRateItemDelegate(list));
    // The closed list shows its selection in the same weight as the open one does.
    QObject::connect(list, &QComboBox::currentTextChanged, list, [list](const QString& text) {
        list->setFont(ItemFont(list->font(), text));
    });
}
