#pragma once

#include <QStyledItemDelegate>

class QComboBox;

// Draws the items of a baud-rate list: the text 2 pixels from the left and 1 from the top
// of its cell, the two rates the modules usually run at (9600 and 115200) in bold so that
// they stand out among the others.
class TBaudRateItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static bool IsBoldRate(const QString& text);
    // Makes the list draw its items this way, its closed face included.
    static void Install(QComboBox* list);

private:
    static QFont ItemFont(const QFont& base, const QString& text);
};
