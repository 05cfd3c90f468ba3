// The link on Windows: a port is named as Windows names it, and a COM port that is not
// there is told as missing, in the program's words.

#include "errors/exception.h"
#include "link/comport.h"

#include <QtTest>

class TestComPortWindows : public QObject
{
    Q_OBJECT
private slots:
    void missingComPortIsNamedAsWindowsNamesIt()
    {
        ComPort port;
        port.setSettings({QStringLiteral("COM99")});
        QString told;
        try {
            port.Open();
        } catch (const Exception &error) {
            told = error.Message();
        }
        QCOMPARE(told, "Não foi possível abrir a porta COM99: o dispositivo não existe. Verifique "
                       "se a placa está ligada ao computador e se o nome da porta está certo.");
    }
};

QTEST_MAIN(TestComPortWindows)
#include "tst_comport_win.moc"
