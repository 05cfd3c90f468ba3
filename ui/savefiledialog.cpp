#include "ui/savefiledialog.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

class SaveFileDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        // Qt's own dialog reads "a" "b" as two files and saves under one of them, in
        // another folder: such a name is not taken.
        const auto *name = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (name && name->text().contains(QLatin1Char('"'))) {
            QMessageBox::warning(this, windowTitle(),
                                 QStringLiteral("O nome “%1” tem aspas (\"), que não podem fazer "
                                                "parte do nome de um arquivo aqui. Tire as aspas "
                                                "e tente de novo.")
                                     .arg(name->text()));
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QString filterExtension(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

QString askSaveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                        const QStringList &filters, QString *chosenFilter)
{
    SaveFileDialog dialog(parent, caption, suggested, filters.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectNameFilter(filters.value(0));
    dialog.setDefaultSuffix(filterExtension(filters.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString &filter) { dialog.setDefaultSuffix(filterExtension(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().constFirst();
}
