#include "chooser/chooserwindow.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

ChooserWindow::ChooserWindow(MachineRoots roots, QWidget *parent)
    : QDialog(parent)
    , m_roots(std::move(roots))
    , m_heading(new QLabel(this))
    , m_list(new QTreeWidget(this))
    , m_buttons(new QDialogButtonBox(this))
    , m_rescan(new QTimer(this))
{
    setWindowTitle(QStringLiteral(SENSOR_VIEWER_MENU_NAME));
    m_heading->setWordWrap(true);
    m_list->setAccessibleName(QStringLiteral("Portas seriais"));
    m_list->setHeaderLabels({QStringLiteral("Fabricante"), QStringLiteral("Produto"),
                             QStringLiteral("Número de série"), QStringLiteral("Dispositivo")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    m_open = m_buttons->addButton(QStringLiteral("Abrir"), QDialogButtonBox::AcceptRole);
    QPushButton *demo =
        m_buttons->addButton(QStringLiteral("Usar a placa simulada"), QDialogButtonBox::ActionRole);
    m_buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    m_open->setDefault(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_list);
    layout->addWidget(m_buttons);
    resize(640, 300);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &ChooserWindow::openSelected);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(demo, &QPushButton::clicked, this, [this] { done(Demo); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &ChooserWindow::openSelected);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_open->setEnabled(!chosenPath().isEmpty()); });
    connect(m_rescan, &QTimer::timeout, this, &ChooserWindow::rescan);
    rescan();
    m_rescan->start(kRescanMs);
}

QString ChooserWindow::chosenPath() const
{
    // The selected row, not the current one: the list makes its first row current when it
    // gets the focus, without the user choosing it.
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(0, Qt::UserRole).toString();
}

void ChooserWindow::openSelected()
{
    if (!chosenPath().isEmpty())
        accept();
}

void ChooserWindow::rescan()
{
    const QList<SerialDevice> devices = findSerialDevices(m_roots);
    if (devices == m_devices && m_list->topLevelItemCount() > 0)
        return;
    m_devices = devices;
    const QString selected = chosenPath();
    m_list->clear();
    for (const SerialDevice &device : devices) {
        const QString product =
            device.builtIn ? QStringLiteral("Porta serial do computador") : device.product;
        auto *item =
            new QTreeWidgetItem(m_list, {device.maker, product, device.serialNumber, device.node});
        item->setData(0, Qt::UserRole, device.path);
        if (device.path == selected || (devices.size() == 1 && !device.builtIn))
            m_list->setCurrentItem(item);
    }
    m_heading->setText(devices.isEmpty()
                           ? QStringLiteral("Nenhuma placa foi encontrada. Ligue a placa ao "
                                            "computador: ela aparece aqui assim que for "
                                            "reconhecida.")
                           : QStringLiteral("Escolha a porta em que a placa está ligada:"));
    m_open->setEnabled(!chosenPath().isEmpty());
}
