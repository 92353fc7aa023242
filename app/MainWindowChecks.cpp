#include "app/MainWindow.h"

#include "app/Dialogs.h"
#include "app/WindowSettings.h"
#include "ops/Messages.h"

#include <QAction>

// The Function menu's chip checks: "Blank check", "Checksum" and WRITE's "Check before WRITE".

// On a part that only loses bits the box also says whether the loaded program can still go in.
void MainWindow::blankCheckClicked()
{
    runExclusive([this] {
        const ChipCheck check = core_.blankCheck();
        if (!check.outcome.completed())
            return;
        std::optional<ChipComparison> conflicts;
        if (core_.runState().programLoaded && core_.checkedBeforeWrite())
            conflicts = core_.programConflicts(check.comparison);
        dialogs_.showBox(Messages::blankCheckResult(check.comparison, conflicts));
    });
}

void MainWindow::checksumClicked()
{
    const quint16 configWord = core_.configWordToWrite().word;
    dialogs_.showBox(Messages::checksumOf(*core_.profile().device, core_.checksum(configWord), configWord));
}

void MainWindow::checkBeforeWriteClicked()
{
    WindowSettings::setCheckBeforeWrite(menu_.Check_before_WRITE->isChecked());
}
