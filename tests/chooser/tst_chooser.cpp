#include "chooser/chooserwindow.h"
#include "support/fakemachine.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

QStringList rowTexts(const ChooserWindow &window)
{
    QStringList rows;
    const auto *list = window.findChild<QTreeWidget *>();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int column = 0; column < list->columnCount(); ++column)
            cells << list->topLevelItem(i)->text(column);
        rows << cells.join(" | ");
    }
    return rows;
}

QPushButton *button(const ChooserWindow &window, const QString &text)
{
    for (QPushButton *b : window.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

} // namespace

class TestChooser : public QObject
{
    Q_OBJECT
private slots:
    void onlyALoneAdapterOpensWithOneEnter_data();
    void onlyALoneAdapterOpensWithOneEnter();
    void noBoardIsSaidUntilOneIsPluggedIn();
};

// (The demo it offers meanwhile is the end-to-end test's, from the menu entry.)
void TestChooser::noBoardIsSaidUntilOneIsPluggedIn()
{
    FakeMachine machine;
    ChooserWindow window(machine.roots());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.findChild<QLabel *>()->text(),
             "Nenhuma placa foi encontrada. Ligue a placa ao computador: ela aparece aqui assim "
             "que for reconhecida.");
    QCOMPARE(button(window, "Abrir")->isEnabled(), false);

    machine.plugAdapter("ttyUSB0", FakeMachine::kFtdi, FakeMachine::kFtdiById);
    QTRY_COMPARE(rowTexts(window),
                 QStringList({"FTDI | FT232R USB UART | A50285BI | " + machine.dev + "/ttyUSB0"}));
    QCOMPARE(window.findChild<QLabel *>()->text(), "Escolha a porta em que a placa está ligada:");
    QCOMPARE(button(window, "Abrir")->isEnabled(), true);
}

void TestChooser::onlyALoneAdapterOpensWithOneEnter_data()
{
    QTest::addColumn<bool>("adapter"); // else a port of the computer itself, ttyS0
    QTest::addColumn<QString>("opened");
    QTest::newRow("a USB adapter") << true << "/serial/by-id/" + FakeMachine::kFtdiById;
    QTest::newRow("a built-in port") << false << "";
}

void TestChooser::onlyALoneAdapterOpensWithOneEnter()
{
    QFETCH(bool, adapter);
    QFETCH(QString, opened);
    FakeMachine machine;
    if (adapter)
        machine.plugAdapter("ttyUSB0", FakeMachine::kFtdi, FakeMachine::kFtdiById);
    else
        machine.addBuiltInPort("ttyS0", "4");
    ChooserWindow window(machine.roots());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_Return);
    QCOMPARE(window.isVisible(), opened.isEmpty());
    QCOMPARE(window.chosenPath(), opened.isEmpty() ? "" : machine.dev + opened);
}

QTEST_MAIN(TestChooser)
#include "tst_chooser.moc"
