// SPDX-License-Identifier: MIT
#include "main_window/interfacefont.h"
#include "support/privatefonts.h"

#include <QApplication>
#include <QTest>

class tst_InterfaceFont : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesTheInstalledFamily_data();
    void namesTheInstalledFamily();
};

namespace {

// DejaVu Sans from two foundries and DejaVu Serif, with "Sans Serif" preferring a family that
// is not installed first.
PrivateFonts privateFonts()
{
    return PrivateFonts({{"DejaVuSans.ttf", "DejaVuSans.ttf"},
                         {"DejaVuSans.ttf", "acme-DejaVuSans.ttf"},
                         {"DejaVuSerif.ttf", "DejaVuSerif.ttf"}},
                        QStringLiteral(R"(  <match target="scan">
    <test name="file" compare="contains"><string>acme-</string></test>
    <edit name="foundry" mode="assign_replace"><string>acme</string></edit>
  </match>
  <alias>
    <family>Sans Serif</family>
    <prefer><family>Not Installed</family><family>DejaVu Sans</family><family>DejaVu Serif</family></prefer>
  </alias>
)"));
}

} // namespace

void tst_InterfaceFont::namesTheInstalledFamily_data()
{
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("resolved");
    QTest::newRow("alias to a family two foundries offer") << u"Sans Serif"_qs << u"DejaVu Sans"_qs;
    QTest::newRow("family in another case") << u"dejavu serif"_qs << u"DejaVu Serif"_qs;
}

void tst_InterfaceFont::namesTheInstalledFamily()
{
    QFETCH(QString, requested);
    QFETCH(QString, resolved);
    QApplication::setFont(QFont(requested));
    ResolveApplicationFontFamily();
    QCOMPARE(QApplication::font().families(), QStringList{resolved});
}

int main(int argc, char *argv[])
{
    const PrivateFonts fonts = privateFonts(); // before anything asks fontconfig
    QApplication app(argc, argv);
    tst_InterfaceFont test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_interfacefont.moc"
