#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/ProductionWindow.h"
#include "app/WindowSettings.h"
#include "device/AddressField.h"
#include "ops/Messages.h"

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
    // A file read back from a protected chip holds zeros, not a program: nothing is sent.
    if (core_.programReadFromProtectedChip()) {
        dialogs_.showBox(Messages::fileReadFromProtectedChip(*core_.profile().device, *core_.runState().fileConfigWord));
        return;
    }
    const QString file = QFileInfo(controls_.Text1->text()).fileName();
    const auto tally = [this](bool passed, const QString &detail) {
        if (production_ && production_->isVisible())
            production_->showChipResult(passed, detail);
    };
    const bool checkFirst = menu_.Check_before_WRITE->isChecked() && core_.runState().programLoaded
                            && core_.checkedBeforeWrite();
    if (checkFirst && !chipTakesProgram()) {
        tally(false, QStringLiteral("%1 was not written: the check before WRITE failed").arg(file));
        return;
    }
    const Outcome written = core_.write();
    switch (written.kind) {
    case Outcome::Kind::Declined:
    case Outcome::Kind::NoData:
    case Outcome::Kind::Abandoned:
        return; // no chip was written
    case Outcome::Kind::Completed:
        tally(true, QStringLiteral("%1 written").arg(file));
        return;
    default:
        tally(false, written.word >= 0 ? QStringLiteral("%1 failed at word %2").arg(file, hexText(written.word))
                                       : QStringLiteral("%1 failed").arg(file));
    }
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
