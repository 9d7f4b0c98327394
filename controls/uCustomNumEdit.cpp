#include "controls/uCustomNumEdit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

constexpr int UpDownWidth = 15;
// Keeps the text cursor clear of the pair.
constexpr int UpDownGap = 2;

// Standard context-menu actions that change the text.
const char* const EditingActions[] = {"edit-undo", "edit-redo", "edit-cut", "edit-paste", "edit-delete"};

QToolButton* MakeArrowButton(QWidget* parent, Qt::ArrowType arrow)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    return button;
}

bool IsCharacterKey(int key)
{
    return key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis;
}

} // namespace

std::function<void(QWidget*, const QString&)> TMyCustomNumEdit::ShowRangeMessage =
    [](QWidget* parent, const QString& message) {
        QMessageBox::question(parent, QGuiApplication::applicationDisplayName(), message,
                              QMessageBox::StandardButtons(QMessageBox::Ok));
    };

std::function<void()> TMyCustomNumEdit::Beep = [] { QApplication::beep(); };

TMyCustomNumEdit::TMyCustomNumEdit(QWidget* parent)
    : QLineEdit(parent)
    , FUp(MakeArrowButton(this, Qt::UpArrow))
    , FDown(MakeArrowButton(this, Qt::DownArrow))
    , FShowName(tr("Hodnota"))
{
    connect(FUp, &QToolButton::clicked, this, [this] { ClickUpDown(true); });
    connect(FDown, &QToolButton::clicked, this, [this] { ClickUpDown(false); });
    connect(this, &QLineEdit::textChanged, this, [this] { emit OnChangeText(this); });
    PlaceUpDown();
}

void TMyCustomNumEdit::SetUpDownEnable(bool value)
{
    FUpDownEnable = value;
    for (QToolButton* button : {FUp, FDown}) {
        button->setVisible(value);
        button->setEnabled(value);
    }
    PlaceUpDown();
}

void TMyCustomNumEdit::SetColored(bool value)
{
    FColored = value;
    if (value)
        Show();
    else
        SetTextColour(Qt::black);
}

int TMyCustomNumEdit::StepMultiplier(bool page, quint16 pageMult) const
{
    int multiplier = QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier) ? 10 : 1;
    return page ? multiplier * pageMult : multiplier;
}

void TMyCustomNumEdit::ShowSign(int sign)
{
    if (FColored)
        SetTextColour(sign < 0 ? QColor(128, 0, 0) : sign > 0 ? QColor(0, 0, 128) : QColor(Qt::black));
}

void TMyCustomNumEdit::SetTextColour(const QColor& colour)
{
    QPalette pal = palette();
    // Disabled text keeps the style's grey.
    pal.setColor(QPalette::Active, QPalette::Text, colour);
    pal.setColor(QPalette::Inactive, QPalette::Text, colour);
    setPalette(pal);
}

void TMyCustomNumEdit::ReportBadEntry()
{
    if (FFailureBeep)
        Beep();
}

void TMyCustomNumEdit::RefuseEntry(const QString& message)
{
    ShowRangeMessage(this, message);
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

QString TMyCustomNumEdit::FormatMessage(QString pattern, const QStringList& arguments)
{
    qsizetype next = 0;
    for (qsizetype i = 0; i + 1 < pattern.size() && next < arguments.size(); ++i) {
        if (pattern[i] == u'%' && QStringLiteral("sdf").contains(pattern[i + 1])) {
            pattern.replace(i, 2, arguments[next]);
            i += arguments[next++].size() - 1;
        }
    }
    return pattern;
}

QChar TMyCustomNumEdit::MapTypedCharacter(QChar c) const
{
    return (c >= u'0' && c <= u'9') || c == u'-' ? c : QChar();
}

bool TMyCustomNumEdit::HandleSpecialKey(QKeyEvent*)
{
    return false;
}

// Lets through digits, the minus sign, copy and paste and the editing and navigation keys;
// drops every other character. Returns true when the key was consumed.
bool TMyCustomNumEdit::FilterTypedKey(QKeyEvent* event)
{
    const int key = event->key();
    // Selecting all lets the next digit replace the whole entry.
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll))
        return false;
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        const bool ctrlX = key == Qt::Key_X && event->modifiers().testFlag(Qt::ControlModifier);
        return ctrlX || !FEditorEnabled;
    }
    if (event->modifiers().testFlag(Qt::ControlModifier) && IsCharacterKey(key))
        return true;
    if (key == Qt::Key_Backspace || key == Qt::Key_Delete)
        return !FEditorEnabled;
    const QString text = event->text();
    if (text.isEmpty() || !text[0].isPrint())
        return false;
    if (!FEditorEnabled)
        return true;
    const QChar mapped = MapTypedCharacter(text[0]);
    if (mapped.isNull())
        return true;
    if (mapped == text[0])
        return false;
    insert(QString(mapped));
    return true;
}

// The characters of committed text that typing them would insert, mapped as typed ones are.
QString TMyCustomNumEdit::FilterCommittedText(const QString& text) const
{
    QString accepted;
    if (!FEditorEnabled)
        return accepted;
    for (const QChar c : text) {
        const QChar mapped = MapTypedCharacter(c);
        if (!mapped.isNull())
            accepted += mapped;
    }
    return accepted;
}

// An input method (a dead key, a compose sequence) commits text without a key event; it
// passes the same filter as typed characters. The text shown while composing is kept.
void TMyCustomNumEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString accepted = FilterCommittedText(event->commitString());
    if (FEditorEnabled && accepted == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    if (FEditorEnabled)
        filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->setAccepted(filtered.isAccepted());
}

void TMyCustomNumEdit::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up: Step(true, false); break;
    case Qt::Key_Down: Step(false, false); break;
    case Qt::Key_PageUp: Step(true, true); break;
    case Qt::Key_PageDown: Step(false, true); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Validate();
        return;
    default:
        if (HandleSpecialKey(event) || FilterTypedKey(event))
            return;
    }
    QLineEdit::keyPressEvent(event);
}

void TMyCustomNumEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason
        || reason == Qt::OtherFocusReason)
        selectAll();
}

void TMyCustomNumEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Switching windows or opening the context menu does not leave the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    if (FAutoCorrect) {
        Validate();
        return;
    }
    // A refusal shows a modal box and takes the focus back; that must wait until the
    // focus change under way has finished.
    QTimer::singleShot(0, this, [this] { Validate(); });
}

void TMyCustomNumEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    PlaceUpDown();
}

void TMyCustomNumEdit::contextMenuEvent(QContextMenuEvent* event)
{
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!FEditorEnabled) {
        for (QAction* action : menu->actions()) {
            for (const char* name : EditingActions) {
                if (action->objectName() == QLatin1String(name))
                    action->setEnabled(false);
            }
        }
    }
    menu->exec(event->globalPos());
}

void TMyCustomNumEdit::dropEvent(QDropEvent* event)
{
    if (FEditorEnabled)
        QLineEdit::dropEvent(event);
    else
        event->ignore();
}

// The pair sits inside the frame at the right edge; the text area stops short of it.
void TMyCustomNumEdit::PlaceUpDown()
{
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int inner = std::max(2, height() - 2 * frame);
    const int left = width() - frame - UpDownWidth;
    FUp->setGeometry(left, frame, UpDownWidth, inner / 2);
    FDown->setGeometry(left, frame + inner / 2, UpDownWidth, inner - inner / 2);
    setTextMargins(0, 0, FUpDownEnable ? UpDownWidth + UpDownGap : 0, 0);
}

void TMyCustomNumEdit::ClickUpDown(bool up)
{
    Step(up, false);
    if (focusPolicy() & Qt::TabFocus)
        setFocus(Qt::OtherFocusReason);
}
