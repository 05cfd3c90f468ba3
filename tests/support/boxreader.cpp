#include "support/boxreader.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

BoxReader::BoxReader()
{
    connect(&m_look, &QTimer::timeout, this, [this] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            m_read << box->text().remove(QChar(0x200B));
            box->done(QMessageBox::Ok);
        }
    });
    m_look.start(10);
}

QStringList BoxReader::read(int count)
{
    (void)QTest::qWaitFor([&] { return m_read.size() >= std::max(count, 1); },
                          count == 0 ? 500 : 5000);
    return std::exchange(m_read, {});
}
