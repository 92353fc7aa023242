#pragma once

#include "device/ConfigWord.h"
#include "device/DeviceProfile.h"
#include "image/HexLoader.h"
#include "image/ProgramBuffer.h"
#include "link/Adapter.h"
#include "ops/DeviceOperations.h"
#include "ops/PortSwitch.h"
#include "ops/RunState.h"
#include "ops/WindowSeam.h"

#include <QList>
#include <QString>

#include <bitset>
#include <optional>

class SerialPort;

// Whose rules choose the configuration word a write sends.
enum class WordRules {
    Panel,     // dravik-plus: the panel's CONFH and CONFL
    FixedWord, // dravik: the device's fixed word with the watchdog bit; "Write anyway?" before
               // another word than the file's goes out
    Console,   // dravik-cli: the word given with -c, else the file's, else the device's default
};

// The configuration word a write sends now, and where it comes from.
struct ConfigChoice {
    enum class Origin { Panel, FixedWord, Given, File, DeviceDefault };
    quint16 word;
    Origin origin;
};

// What loading a file did. Only an ok() file became the program; what the loader read last is
// there either way.
struct FileLoad {
    HexLoadResult loaded;
    // dravik-plus: the panel shows the file's word with this choice, or goes back to the device's
    // default word (the previous file's word belongs to that file).
    std::optional<PanelChoice> panelChoice{};
    bool panelToDefault = false;
    // A box to show once the window shows the file: its word cannot be set on the panel.
    std::optional<Message> notice{};

    bool ok() const { return loaded.ok(); }
};

// The chip in the socket held against the chosen device, by the device ID.
struct ChipIdentity {
    Outcome outcome;             // how the read ended; Completed without a read for a device without an ID
    std::optional<quint16> word; // what 2006h read
    bool isChosenDevice = true;  // also for a device without an ID: no check is possible
};

// The programmer below the front ends: it owns the program buffer, the device profile, the run
// state, the adapter exchanges and the operations, and decides what each command does (which
// words, which configuration word). The windows and dravik-cli ask it and show what it answers.
// Boxes open through the window seam as the operations meet them.
class ProgrammerCore {
public:
    ProgrammerCore(WordRules rules, SerialPort &port, WindowSeam &window);

    const RunState &runState() const { return state_; }
    const DeviceProfile &profile() const { return profile_; }
    const ProgramBuffer &buffer() const { return PBUF_; }

    // The program's 100 ms tick: Text2 shows the reply timer's count, and the tick that runs it
    // out shows "COMM Time over" (the waiting exchange then gives up).
    void tick();

    // The windows' port: COM1 at start-up, then the COM menu and "Port...".
    void openCom1AtStartUp();
    PortSwitch &ports() { return ports_; }

    // A device selection: its values, the panel at its default word, no loaded file, the basic
    // edition's watchdog off.
    void selectDevice(Device device);
    // The basic edition's WDT item.
    void setWatchdogEnabled(bool enabled);
    // The panel's controls (dravik-plus), each setting its bits of CONFH and CONFL.
    void setOscillator(Oscillator oscillator);
    void setWatchdog(bool enabled);
    void setProtection(bool enabled);
    void setPowerUpTimer(bool checked);
    // dravik-cli's -c: the word every write sends.
    void setGivenConfigWord(std::optional<quint16> word) { givenConfigWord_ = word; }

    // FILE OPEN and dravik-cli's FILE.hex: all or nothing. An ok() file is the program from now
    // on: the buffer, LASTADR and the file's configuration word.
    FileLoad loadFile(const QString &path);
    // The file the program was loaded from, and its SHA-256 as it was loaded; empty when the
    // buffer holds no file's program.
    const QString &loadedFilePath() const { return loadedFilePath_; }
    const QString &loadedFileSha256() const { return loadedFileSha256_; }
    // Whether the loaded file gives either byte of the word a value.
    bool fileGivesWord(int word) const;
    // Puts words into the buffer from firstWord on (the serial numbers); a write then reaches
    // the last of them.
    void storeWords(int firstWord, const QList<quint16> &words);
    // Puts back the words and LASTADR that storeWords changed.
    void restoreWords(int firstWord, const QList<quint16> &words, int lastAddress);

    // The configuration word WRITE would send now, by the rules.
    ConfigChoice configWordToWrite() const;

    // dravik's "Write anyway?" before a configuration word other than the file's, when the
    // rules ask it. False when the user declines: nothing may be sent.
    bool confirmConfigWord();
    // WRITE: words 0..LASTADR, then the configuration word by the rules; the question first,
    // unless the caller has asked it with confirmConfigWord().
    enum class Question { Ask, Asked };
    Outcome write(Question question = Question::Ask);
    // VERIFY of words 0..lastWord; with `withConfigWord`, then the chip's configuration word
    // against the file's, when the file holds one.
    Outcome verify(int lastWord, bool withConfigWord = false);
    // READ of words 0..lastWord into the buffer, which holds no file's program any more; with
    // `withConfigWord` the chip's configuration word follows.
    Outcome read(int lastWord, bool withConfigWord = false);
    // BLANK all: the buffer blanked and written as the 16F84, LASTADR the device's last word.
    Outcome blankAll();
    // Line test: asks the adapter who it is until it answers or the user gives up.
    Outcome identify();

    // Blank check: every program word of the device and the configuration word, held against
    // 3FFF. Nothing is programmed and the buffer is left as it is.
    ChipCheck blankCheck();
    // For a device that has a device ID: the chip's, read with the load-configuration command and
    // six increments (nothing is programmed), and whether it is the chosen device's.
    ChipIdentity checkDeviceId();
    // Whether the chosen device only loses bits when programmed (the 16C711), so that a chip
    // already used may not take the program.
    bool checkedBeforeWrite() const;
    // The check before such a write: words 0..LASTADR and the configuration word WRITE would send,
    // read as READ reads them, and every word the chip can no longer take. Nothing is programmed.
    ChipCheck checkBeforeWrite();
    // VERIFY that reads on past a difference and lists every differing word; with
    // `withConfigWord`, then the chip's configuration word against the file's.
    ChipCheck verifyAll(int lastWord, bool withConfigWord = false);
    // The 16-bit sum of every program word of the device as the buffer holds them and
    // `configWord` (by default the word WRITE would send).
    quint16 checksum(std::optional<quint16> configWord = std::nullopt) const;
    // The loaded file was read back from a code-protected chip: its program words are all 0000
    // and its configuration word protects the code. Writing it would burn zeros.
    bool programReadFromProtectedChip() const;
    // Of a blank check's findings, the words 0..LASTADR and the configuration word WRITE would send
    // that the chip can no longer take from the loaded program, as checkBeforeWrite finds them.
    ChipComparison programConflicts(const ChipComparison &notBlank) const;

private:
    // The word a write with this device's program command sends, taken when the write reaches it.
    ConfigSource configSource(Device procedure) const;
    quint16 wordFor(Device procedure) const;
    // Fills in what the operation's outcome tells beyond its kind: the words it compared, how
    // the exchanges ended.
    Outcome told(Outcome outcome, std::optional<quint16> configWordExpected = std::nullopt) const;
    void forgetLoadedFile();
    void takeFileConfigWord(FileLoad &load);

    const WordRules rules_;
    WindowSeam &window_;
    RunState state_;
    DeviceProfile profile_;
    ProgramBuffer PBUF_;
    Adapter adapter_;
    PortSwitch ports_;
    DeviceOperations operations_;
    std::optional<quint16> givenConfigWord_;
    QString loadedFilePath_;
    QString loadedFileSha256_;
    std::bitset<ProgramBuffer::kSize> fileBytes_; // the bytes the loaded file gives a value
    // The word the panel took from the loaded file, while nothing else has set the panel since.
    std::optional<quint16> panelWordFromFile_;
};
