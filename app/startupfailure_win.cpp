#include "app/startupfailure.h"

#include "link/settingsdialog.h"

#include <QMessageBox>
#include <QPushButton>

std::optional<SerialSettings> reportStartFailure(const Exception &error,
                                                 const SerialSettings &tried)
{
    // Windows has no launcher to find the board: a user whose adapter got COM3 picks it
    // here, from the ports listed by what they are, without typing its name.
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Erro"),
                    error.Message()
                        + QStringLiteral("\n\nSe a placa está em outra porta, escolha-a em "
                                         "\"Configurar Serial\", que mostra as portas deste "
                                         "computador pelo que são."));
    box.setTextFormat(Qt::PlainText); // a port's name is the user's, never markup
    const QPushButton *setUp =
        box.addButton(QStringLiteral("Configurar Serial"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.exec();
    if (box.clickedButton() != setUp)
        return std::nullopt;
    SettingsDialog dialog(tried);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.settings();
}
