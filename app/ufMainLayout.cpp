// The main window's frame: client panel, logo, About link, status line and buttons,
// and the date-dependent appearance.
#include "app/uAppClock.h"
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/ShapeEx.h"

#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int StatusBarHeight = 22;
constexpr int ButtonsHeight = 40;
constexpr unsigned LogoColour = 0xFF8000;
constexpr unsigned LogoColourMidMonth = 0x0060FF;

// Mirrors the horizontal placement of the direct children of a panel.
void MirrorChildren(QWidget* parent)
{
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->move(parent->width() - child->width() - child->x(), child->y());
}

} // namespace

void TfrmMain::CreateControls()
{
    QFont windowFont(QStringLiteral("DejaVu Sans"));
    windowFont.setPointSize(9);
    setFont(windowFont);

    pnlCenter = new QWidget(this);
    pnlCenter->setObjectName(QStringLiteral("pnlCenter"));
    pnlCenter->setGeometry(0, 0, ClientWidth, ClientHeight - StatusBarHeight - ButtonsHeight);
    CreateAnalogInputs(pnlCenter);
    CreateAnalogOutputs(pnlCenter);
    CreateThermometers(pnlCenter);
    CreateDigitalIO(pnlCenter);
    CreateRS485(pnlCenter);
    CreateClock(pnlCenter);
    CreateLogo(pnlCenter);

    // The status line lies outside the client panel, so that disabling the panel never
    // greys out the message it shows.
    pnlStatusBar = NewLoweredPanel(this, QStringLiteral("pnlStatusBar"), QString(),
                                   QRect(0, pnlCenter->height(), ClientWidth, StatusBarHeight));
    pnlStatusBar->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    pnlStatusBar->setIndent(6);
    CreateButtons();
}

void TfrmMain::CreateLogo(QWidget* parent)
{
    pnlValdrix = new QWidget(parent);
    pnlValdrix->setObjectName(QStringLiteral("pnlValdrix"));
    pnlValdrix->setGeometry(8, 524, 420, 120);
    QFont logoFont = font();
    logoFont.setPointSize(40);
    logoFont.setBold(true);
    lblValdrixCaption1 = NewLabel(pnlValdrix, QStringLiteral("Val"), QRect(10, 20, 110, 80),
                                  QStringLiteral("lblValdrixCaption1"));
    lblValdrixCaption2 = NewLabel(pnlValdrix, QStringLiteral("drix"), QRect(0, 20, 150, 80),
                                  QStringLiteral("lblValdrixCaption2"));
    for (QLabel* label : {lblValdrixCaption1, lblValdrixCaption2}) {
        label->setFont(logoFont);
        label->adjustSize();
    }
    lblValdrixCaption2->move(lblValdrixCaption1->x() + lblValdrixCaption1->width(), lblValdrixCaption1->y());
    SetFontColour(lblValdrixCaption1, ColourBGR(LogoColour));

    pnlAbout = new QWidget(parent);
    pnlAbout->setObjectName(QStringLiteral("pnlAbout"));
    pnlAbout->setGeometry(665, 544, 200, 80);
    shpxAbout = new TShapeEx(pnlAbout);
    shpxAbout->setObjectName(QStringLiteral("shpxAbout"));
    shpxAbout->setGeometry(0, 0, pnlAbout->width(), pnlAbout->height());
    shpxAbout->SetShape(stRoundRect);
    shpxAbout->SetRoundCorner(24);
    shpxAbout->SetPen(QPen(QColor(0x80, 0x80, 0x80), 2));
    shpxAbout->setCursor(Qt::PointingHandCursor);
    QFont aboutFont = font();
    aboutFont.setPointSize(18);
    aboutFont.setBold(true);
    lblAboutCaption1 = NewLabel(pnlAbout, tr("o"), QRect(), QStringLiteral("lblAboutCaption1"));
    lblAboutCaption2 = NewLabel(pnlAbout, tr("Programu"), QRect(), QStringLiteral("lblAboutCaption2"));
    const int gap = QFontMetrics(aboutFont).horizontalAdvance(QLatin1Char(' '));
    int x = gap;
    for (QLabel* label : {lblAboutCaption1, lblAboutCaption2}) {
        label->setFont(aboutFont);
        label->adjustSize();
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
        x += label->width();
    }
    x = (pnlAbout->width() - x) / 2;
    const int y = (pnlAbout->height() - lblAboutCaption1->height()) / 2;
    lblAboutCaption1->move(x, y);
    lblAboutCaption2->move(x + lblAboutCaption1->width() + gap, y);
    SetFontColour(lblAboutCaption1, ColourBGR(LogoColour));
    connect(shpxAbout, &TShapeEx::onClick, this, &TfrmMain::shpxAboutClick);
}

void TfrmMain::CreateButtons()
{
    pnlButtons = new QWidget(this);
    pnlButtons->setObjectName(QStringLiteral("pnlButtons"));
    pnlButtons->setGeometry(0, ClientHeight - ButtonsHeight, ClientWidth, ButtonsHeight);
    btnConnect = NewButton(pnlButtons, QStringLiteral("btnConnect"), tr("Připojit"), QRect(8, 6, 100, 28));
    btnDisconnect =
        NewButton(pnlButtons, QStringLiteral("btnDisconnect"), tr("Odpojit"), QRect(114, 6, 100, 28));
    btnLog = NewButton(pnlButtons, QStringLiteral("btnLog"), tr("Log"), QRect(220, 6, 80, 28));
    btnTrend = NewButton(pnlButtons, QStringLiteral("btnTrend"), tr("Graf"), QRect(306, 6, 80, 28));
    chkReconnect = new QCheckBox(tr("Znovu připojit"), pnlButtons);
    chkReconnect->setObjectName(QStringLiteral("chkReconnect"));
    chkReconnect->setGeometry(394, 6, 140, 28);
    btnStation = NewButton(pnlButtons, QStringLiteral("btnStation"), tr("Výrobní test"), QRect(542, 6, 130, 28));
    btnClose = NewButton(pnlButtons, QStringLiteral("btnClose"), tr("Zavřít"),
                         QRect(ClientWidth - 108, 6, 100, 28));
    connect(btnConnect, &QPushButton::clicked, this, &TfrmMain::btnConnectClick);
    connect(btnDisconnect, &QPushButton::clicked, this, &TfrmMain::btnDisconnectClick);
    connect(btnLog, &QPushButton::clicked, this, &TfrmMain::btnLogClick);
    connect(btnTrend, &QPushButton::clicked, this, &TfrmMain::btnTrendClick);
    connect(btnStation, &QPushButton::clicked, this, &TfrmMain::btnStationClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);
    connect(chkReconnect, &QCheckBox::toggled, this, [this](bool checked) {
        if (!checked) StopReconnecting();
    });
}

void TfrmMain::ApplyDateAppearance()
{
    const QDate today = AppNow().date();
    if (today.dayOfWeek() == Qt::Friday && today.day() <= 7) {
        MirrorChildren(pnlCenter);
        MirrorChildren(pnlButtons);
    }
    if (today.dayOfWeek() == Qt::Wednesday && today.day() >= 15 && today.day() <= 21) {
        SetFontColour(lblValdrixCaption1, ColourBGR(LogoColourMidMonth));
        SetFontColour(lblAboutCaption1, ColourBGR(LogoColourMidMonth));
    }
}
