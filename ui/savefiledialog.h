#pragma once

#include <QString>
#include <QStringList>

class QWidget;

/// Asks where to save in a file dialog: `caption`, starting at `suggested` (a folder and a
/// name), offering `filters` ("Imagem PNG (*.png)"), the first chosen at first. A name
/// typed without an extension takes the chosen filter's, and the dialog asks before
/// replacing a file by that name. A name with double quotes is refused: the dialog would
/// read it as a list of names and save under another. Returns the path, empty for a
/// cancel, and sets the filter chosen.
QString askSaveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                        const QStringList &filters, QString *chosenFilter);

/// The extension a filter offers, without its dot: "png" for "Imagem PNG (*.png)".
QString filterExtension(const QString &filter);
