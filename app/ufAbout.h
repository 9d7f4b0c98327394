// The About box: the program's name (the main window's caption), its version and a link
// to the maker's web page.
#pragma once

#include <QDialog>
#include <QString>
#include <QUrl>

class QLabel;
class QPushButton;

class TfAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 457;
    static constexpr int ClientHeight = 273;
    static const QUrl WebPage;

    TfAbout(const QString& caption, QWidget* parent = nullptr);

    // major.minor.release.build of a dotted version text; missing parts are 0.
    static QString FormatVersion(const QString& version);

private slots:
    void btnWebClick();

private:
    QLabel* lblProjectName;
    QLabel* lblVersion;
    QLabel* lblLogo;
    QPushButton* btnWeb;
    QPushButton* btnOK;
};
