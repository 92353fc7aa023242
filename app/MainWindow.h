#pragma once

#include "app/ProgressTitle.h"
#include "device/DeviceProfile.h"
#include "image/ProgramBuffer.h"
#include "ops/ProductionLine.h"
#include "ops/ProgrammerCore.h"
#include "ops/RunState.h"
#include "ops/SettledFileWatch.h"
#include "ops/WindowSeam.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class DataViewWindow;
class Dialogs;
class HelpWindow;
class ProductionWindow;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class SerialPort;

// The main window of either edition: its controls and menu bar on the programmer core. Every
// command is one of its handlers, which asks the core and shows what it answers.
class MainWindow : public QMainWindow, public WindowSeam {
    Q_OBJECT
public:
    // Runs the start-up sequence (which may show a box) before it returns; show it afterwards.
    MainWindow(Edition edition, SerialPort &port, Dialogs &dialogs, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The controls by their names; those the edition lacks are null.
    struct Controls {
        QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
        QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *TEST;
        QGroupBox *Frame1, *Frame2, *Frame3, *Frame4;
        QRadioButton *Option1, *Option2, *Option3, *Option4, *Option5, *Option6, *Option7,
            *Option8, *Option9, *Option10;
        QCheckBox *Check1;
        QPushButton *Command1, *Command2, *Command3, *Command7;
        QWidget *Shape12, *Shape14;
    };
    struct MenuItems {
        QAction *COM1, *COM2, *Port, *READ, *BLANK, *Buffer_view, *WDT, *Line_test, *Save_HEX, *HELP, *VER,
            *Blank_check, *Checksum, *Check_before_WRITE, *Production, *Device;
    };

    const Controls &controls() const { return controls_; }
    const MenuItems &menuItems() const { return menu_; }
    const RunState &runState() const { return core_.runState(); }
    const DeviceProfile &profile() const { return core_.profile(); }
    const ProgramBuffer &buffer() const { return core_.buffer(); }
    // True while an adapter operation runs; another one cannot start meanwhile.
    bool isBusy() const { return busy_; }
    // The buffer view, while it exists.
    DataViewWindow *dataView() const;
    // Function > "Production...", once it has been opened.
    ProductionWindow *productionWindow() const;

    // What the logic below the window asks of it.
    BoxAnswer showBox(const Message &message) override;
    void waitForEvents() override;
    bool programEnding() const override;
    void setCurrentAddress(const QString &text) override;
    void setTickText(const QString &text) override;
    void setPortLabel(const QString &text) override;
    void setPortDevice(const QString &device) override;
    void showProgress(const QString &operation, int wordsDone, int wordsTotal) override;

protected:
    void closeEvent(QCloseEvent *event) override;
    // One local file dropped on the window loads as FILE OPEN would load it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildControls();
    void buildMenuBar();
    void connectHandlers();
    void placeOnScreen();

    void startUp();
    void exitClicked();
    void openFileClicked();
    void writeClicked();
    void verifyClicked();
    void readClicked();
    void blankAllClicked();
    void lineTestClicked();
    void saveHexClicked();
    void com1Clicked();
    void com2Clicked();
    void portClicked();
    void bufferViewClicked();
    void helpClicked();
    void aboutClicked();
    void watchdogItemClicked();
    void powerUpTimerClicked();
    void lastAddressEdited();
    void blankCheckClicked();
    void checksumClicked();
    void checkBeforeWriteClicked();
    void productionClicked();
    // Function > "Device...": any device of the table, remembered for the next start. The two
    // option buttons show the 16F84 and the 16C711; for another device neither is selected.
    void deviceClicked();
    void chooseDevice(Device device);
    void nextChipClicked();
    // WRITE, "Next chip" and a changed file: the loaded program written as WRITE writes it, with
    // the Production window's records and serial words when it names a database, and the chip
    // counted while that window is open.
    void writeChip();
    // The loaded file was saved again and has settled: loaded anew, and written when it loads.
    void fileSettled(const QString &path);
    void watchFileForProduction();

    // FILE OPEN once the file is chosen: all or nothing. True when it is the program now.
    bool loadFile(const QString &path);
    void selectDevice(Device device);
    void oscillatorChosen(Oscillator oscillator);
    void protectionChosen(bool enabled);
    void watchdogChosen(bool enabled);
    // The panel as a device selection leaves it: the device's default word.
    void showDefaultPanel(Device device);
    void setWatchdogFlag(bool enabled);
    void showPanelChoice(const PanelChoice &choice);
    void showConfigText();
    // Text6: the word's digits, and in its tool tip what they mean.
    void showConfigWord(const QString &digits);
    // EXIT, the close button and Cancel in "Can not found Hardware". A waiting operation gives
    // up at once, sending nothing more and showing no box; the program ends when it has unwound.
    void endProgram();
    // Rebuilds the buffer view if it is visible; never opens it.
    void refreshBufferView();
    void fillBufferView();
    // Runs an adapter operation with the commands that would start another one disabled.
    void runExclusive(const std::function<void()> &operation);
    void enableOperationControls();

    const Edition edition_;
    Dialogs &dialogs_;
    ProgrammerCore core_;
    ProductionLine productionLine_;
    bool busy_ = false;
    ProgressTitle title_;
    bool quitting_ = false; // EXIT was chosen; the running handler is unwinding

    Controls controls_{};
    MenuItems menu_{};
    QTimer *Timer1 = nullptr;
    QPointer<DataViewWindow> DATAVIEW_;
    QPointer<HelpWindow> HELP_FORM_;
    QPointer<ProductionWindow> production_;
    SettledFileWatch fileWatch_;
    bool fileChangedMeanwhile_ = false; // during an operation: taken after it
};

// A program's main(): the edition's main window on the system's serial port, until it ends.
int runEdition(Edition edition, int argc, char **argv);
