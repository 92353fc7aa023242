#include "app/PortDialog.h"

#include "link/PortSettings.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

PortDialog::PortDialog(const QList<DetectedPort> &detected, const QString &current,
                       const QString &overriddenBy, QWidget *parent)
    : QDialog(parent), ports(new QListWidget(this)), pathField(new QLineEdit(current, this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(QStringLiteral("Serial port"));
    ports->setObjectName(QStringLiteral("ports"));
    pathField->setObjectName(QStringLiteral("path"));
    for (const DetectedPort &port : detected) {
        auto *item = new QListWidgetItem(describe(port), ports);
        item->setData(Qt::UserRole, port.path);
    }
    auto *layout = new QVBoxLayout(this);
    auto *found = new QLabel(detected.isEmpty() ? QStringLiteral("No serial ports are detected.")
                                                : QStringLiteral("Detected serial ports:"),
                             this);
    found->setBuddy(ports);
    ports->setAccessibleName(found->text()); // a list takes no name from its buddy
    layout->addWidget(found);
    layout->addWidget(ports);
    ports->setVisible(!detected.isEmpty());
    auto *pathLabel = new QLabel(QStringLiteral("Device for COM1:"), this);
    pathLabel->setBuddy(pathField);
    layout->addWidget(pathLabel);
    layout->addWidget(pathField);
    if (!overriddenBy.isEmpty()) {
        auto *note = new QLabel(QStringLiteral("%1 is set: it decides what COM1 is while it stays set.")
                                    .arg(overriddenBy),
                                this);
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    layout->addWidget(buttons_);
    setMinimumWidth(480);

    connect(ports, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            pathField->setText(item->data(Qt::UserRole).toString());
    });
    // Only a device that can be remembered is taken: an absolute path, not too long for one.
    connect(ports, &QListWidget::itemActivated, this, [this] {
        if (PortSettings::isUsableDevicePath(path()))
            accept();
    });
    connect(pathField, &QLineEdit::textChanged, this, [this] {
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(PortSettings::isUsableDevicePath(path()));
    });
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(PortSettings::isUsableDevicePath(path()));
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pathField->setFocus();
}

QString PortDialog::path() const
{
    return pathField->text().trimmed();
}
