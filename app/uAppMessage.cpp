#include "app/uAppMessage.h"

#include <QApplication>
#include <QMessageBox>

namespace {
TAppMessageHandler& InstalledHandler()
{
    static TAppMessageHandler handler;
    return handler;
}
} // namespace

void ShowAppMessage(QWidget* parent, const QString& text)
{
    if (const TAppMessageHandler& handler = InstalledHandler()) {
        handler(parent, text);
        return;
    }
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

TAppMessageHandler SetAppMessageHandler(TAppMessageHandler handler)
{
    TAppMessageHandler previous = std::move(InstalledHandler());
    InstalledHandler() = std::move(handler);
    return previous;
}
