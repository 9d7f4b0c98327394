#include "app/ufAbout.h"

#include "app/uMainLayoutHelpers.h"

#include <QDesktopServices>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStringList>

const QUrl TfAbout::WebPage(QStringLiteral("https://www.valdrix.cz/"));

TfAbout::TfAbout(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(caption);
    setFixedSize(ClientWidth, ClientHeight);

    // The maker's logo, drawn in the product's colours.
    QFont logoFont(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
    lblLogo = NewLabel(this, QStringLiteral("<span style=\"color:#0080ff\">Val</span>drix"), QRect(24, 24, 409, 64),
                       QStringLiteral("lblLogo"));
    lblLogo->setTextFormat(Qt::RichText);
    lblLogo->setFont(logoFont);
    lblLogo->setAlignment(Qt::AlignCenter);

    QFont nameFont(QStringLiteral("DejaVu Sans"), 14, QFont::Bold);
    lblProjectName = NewLabel(this, caption, QRect(24, 100, 409, 32), QStringLiteral("lblProjectName"));
    lblProjectName->setFont(nameFont);
    lblProjectName->setAlignment(Qt::AlignCenter);

    lblVersion = NewLabel(this, tr("Verze: ") + FormatVersion(QStringLiteral(VALDRIX_VERSION)),
                          QRect(24, 136, 409, 24), QStringLiteral("lblVersion"));
    lblVersion->setAlignment(Qt::AlignCenter);

    btnWeb = NewButton(this, QStringLiteral("btnWeb"), WebPage.host(), QRect(128, 176, 200, 28));
    btnWeb->setFlat(true);
    btnWeb->setCursor(Qt::PointingHandCursor);
    btnWeb->setStyleSheet(QStringLiteral("color: #0050c0; text-decoration: underline;"));
    connect(btnWeb, &QPushButton::clicked, this, &TfAbout::btnWebClick);

    btnOK = NewButton(this, QStringLiteral("btnOK"), tr("OK"), QRect(188, 226, 80, 28));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString TfAbout::FormatVersion(const QString& version)
{
    QStringList parts = version.split(QLatin1Char('.'));
    QStringList numbers;
    for (int i = 0; i < 4; ++i) numbers << QString::number(i < parts.size() ? parts[i].toUInt() : 0);
    return numbers.join(QLatin1Char('.'));
}

void TfAbout::btnWebClick() { QDesktopServices::openUrl(WebPage); }
