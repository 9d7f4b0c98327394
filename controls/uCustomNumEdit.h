#pragma once

#include <QLineEdit>
#include <QString>

#include <functional>

class QToolButton;

// A single-line edit holding a bounded number, with a small up/down button pair inside
// its right edge. The kinds (whole and real numbers) supply Step, Show and Validate.
class TMyCustomNumEdit : public QLineEdit {
    Q_OBJECT
public:
    // How a refused entry is reported and how the failure beep sounds. Both default to the
    // desktop (a question box with an OK button, the system beep); tests replace them.
    static std::function<void(QWidget* parent, const QString& message)> ShowRangeMessage;
    static std::function<void()> Beep;

    explicit TMyCustomNumEdit(QWidget* parent = nullptr);

    bool UpDownEnable() const { return FUpDownEnable; }
    void SetUpDownEnable(bool value);
    QString ShowName() const { return FShowName; }
    void SetShowName(const QString& value) { FShowName = value; }
    bool AutoCorrect() const { return FAutoCorrect; }
    void SetAutoCorrect(bool value) { FAutoCorrect = value; }
    bool FailureBeep() const { return FFailureBeep; }
    void SetFailureBeep(bool value) { FFailureBeep = value; }
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool value) { FEditorEnabled = value; }
    bool Colored() const { return FColored; }
    void SetColored(bool value);

    // Steps the value by the increment (x10 with Ctrl held, x PageMult with page) up or down.
    virtual void Step(bool up, bool page) = 0;
    // Rewrites the text (and its colour) from the stored value.
    virtual void Show() = 0;
    // Reads the text and stores it, corrected when allowed; false when the entry was refused.
    virtual bool Validate() = 0;

signals:
    void OnChangeText(QObject* sender);

protected:
    // Step multiplier from the modifiers held now and the page flag.
    int StepMultiplier(bool page, quint16 pageMult) const;
    // Sets the text colour from the sign of the value when Colored is on.
    void ShowSign(int sign);
    // Beeps when asked to; a refusal also shows the message and keeps the focus here.
    void ReportBadEntry();
    void RefuseEntry(const QString& message);
    // Replaces the %s, %d and %f conversions of a message template in order.
    static QString FormatMessage(QString pattern, const QStringList& arguments);
    // The character a typed key should insert, or a null QChar to let the key through
    // unchanged. Real-number fields map "," and "." to the decimal separator.
    virtual QChar MapTypedCharacter(QChar c) const;
    // A key the field handles itself instead of typing it (keypad plus on real numbers).
    virtual bool HandleSpecialKey(QKeyEvent* event);

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool FilterTypedKey(QKeyEvent* event);
    QString FilterCommittedText(const QString& text) const;
    void SetTextColour(const QColor& colour);
    void PlaceUpDown();
    void ClickUpDown(bool up);

    QToolButton* FUp;
    QToolButton* FDown;
    bool FUpDownEnable = true;
    QString FShowName;
    bool FAutoCorrect = true;
    bool FFailureBeep = false;
    bool FEditorEnabled = true;
    bool FColored = false;
};
