#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/ProductionWindow.h"
#include "app/WindowSettings.h"
#include "device/AddressField.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>

// Function > "Production...": the next chip, a file written again when it changes, and the tally.

ProductionWindow *MainWindow::productionWindow() const
{
    return production_;
}

void MainWindow::productionClicked()
{
    if (!production_) {
        production_ = new ProductionWindow(this);
        connect(production_, &ProductionWindow::nextChipRequested, this, &MainWindow::nextChipClicked);
        connect(production_, &ProductionWindow::settingsChanged, this, &MainWindow::watchFileForProduction);
        connect(production_, &QDialog::finished, this, &MainWindow::watchFileForProduction);
        production_->setNextChipEnabled(!busy_);
    }
    production_->show();
    production_->raise();
    production_->activateWindow();
    watchFileForProduction();
}

void MainWindow::nextChipClicked()
{
    runExclusive([this] { writeChip(); });
}

void MainWindow::writeChip()
{
    const WindowSettings::Production settings = WindowSettings::production();
    const QString file = QFileInfo(core_.loadedFilePath()).fileName();
    const WrittenChip chip = productionLine_.write({settings.records, settings.serialWords, settings.firstSerialNumber},
                                                   menu_.Check_before_WRITE->isChecked());
    // A chip that got nothing, or a program that is ending, is not counted.
    if (!chip.reachedChip || chip.outcome.kind == Outcome::Kind::Abandoned || !production_ || !production_->isVisible())
        return;
    QString detail;
    if (chip.wrongChip)
        detail = QStringLiteral("%1 was not written: the chip is another device").arg(file);
    else if (chip.cannotTake)
        detail = QStringLiteral("%1 was not written: the check before WRITE failed").arg(file);
    else if (chip.passed())
        detail = QStringLiteral("%1 written").arg(file);
    else
        detail = chip.outcome.word >= 0 ? QStringLiteral("%1 failed at word %2").arg(file, hexText(chip.outcome.word))
                                        : QStringLiteral("%1 failed").arg(file);
    if (!chip.serialNumber.isEmpty())
        detail += QStringLiteral(", serial number %1").arg(chip.serialNumber);
    production_->showChipResult(chip.passed(), detail);
}

// Only the file the buffer holds, and only while the Production window asks for it.
void MainWindow::fileSettled(const QString &path)
{
    if (busy_) {
        fileChangedMeanwhile_ = true;
        return;
    }
    if (path.isEmpty() || path != fileWatch_.path() || !core_.runState().programLoaded)
        return;
    if (loadFile(path))
        runExclusive([this] { writeChip(); });
}

void MainWindow::watchFileForProduction()
{
    const bool watching = production_ && production_->isVisible() && production_->settings().writeWhenFileChanges
                          && core_.runState().programLoaded;
    const QString path = watching ? QFileInfo(controls_.Text1->text()).absoluteFilePath() : QString();
    if (path != fileWatch_.path() || !watching)
        fileWatch_.watch(path);
}
