#include "support/pictured.h"

#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QWidget>

bool drawnAsPictured(QWidget &widget, const QString &reference)
{
    const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    if (shown == QImage(reference).convertToFormat(QImage::Format_ARGB32))
        return true;
    shown.save(QFileInfo(reference).fileName());
    return false;
}
