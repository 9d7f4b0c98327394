#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

// GoogleTest with an application object, so that tests can create and drive real widgets.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
