#include "ops/ProgrammerCore.h"

#include "device/Profiles.h"
#include "image/Checksum.h"
#include "link/CommandText.h"
#include "ops/Messages.h"
#include "ops/RecordStore.h"
#include "ops/ReplyTick.h"

#include <QFile>

#include <algorithm>

ProgrammerCore::ProgrammerCore(WordRules rules, SerialPort &port, WindowSeam &window)
    : rules_(rules), window_(window), adapter_(port, window), ports_(port, state_, window),
      operations_(adapter_, window)
{
}

void ProgrammerCore::tick()
{
    tickReplyTimer(adapter_.replyTimer(), window_);
}

void ProgrammerCore::openCom1AtStartUp()
{
    state_.portNumber = 1;
    state_.programLoaded = false;
    ports_.open();
}

void ProgrammerCore::selectDevice(Device device)
{
    ::selectDevice(profile_, device);
    panelWordFromFile_.reset();
    forgetLoadedFile();
    state_.watchdogEnabled = false;
}

void ProgrammerCore::setWatchdogEnabled(bool enabled)
{
    state_.watchdogEnabled = enabled;
}

void ProgrammerCore::setOscillator(Oscillator oscillator)
{
    ::setOscillator(profile_, oscillator);
}

void ProgrammerCore::setWatchdog(bool enabled)
{
    ::setWatchdog(profile_, enabled);
}

void ProgrammerCore::setProtection(bool enabled)
{
    ::setProtection(profile_, enabled);
}

void ProgrammerCore::setPowerUpTimer(bool checked)
{
    ::setPowerUpTimer(profile_, checked);
}

FileLoad ProgrammerCore::loadFile(const QString &path)
{
    FileLoad load{loadHexFile(QFile::encodeName(path).toStdString(), PBUF_, profile_.MEMSIZE)};
    if (!load.ok())
        return load;
    PBUF_ = load.loaded.PBUF;
    profile_.LASTADR = load.loaded.LASTADR;
    state_.programLoaded = true;
    state_.fileConfigWord = load.loaded.configWord;
    loadedFilePath_ = path;
    loadedFileSha256_ = sha256Of(path);
    fileBytes_ = load.loaded.stored;
    if (rules_ == WordRules::Panel)
        takeFileConfigWord(load);
    return load;
}

// The file's configuration word is the one its program was assembled for: the panel takes it
// when it can show it.
void ProgrammerCore::takeFileConfigWord(FileLoad &load)
{
    const std::optional<std::uint16_t> &fileWord = load.loaded.configWord;
    if (!fileWord) {
        // The previous file's word belongs to that file (it may protect the chip): a file that
        // asks for no word gets the device's default, unless the user has set the panel since.
        if (panelWordFromFile_ && *panelWordFromFile_ == panelWord(profile_)) {
            const ProfileDefaults &defaults = profileDefaults(*profile_.device);
            profile_.CONFH = defaults.configHigh;
            profile_.CONFL = defaults.configLow;
            load.panelToDefault = true;
        }
        panelWordFromFile_.reset();
        return;
    }
    load.panelChoice = panelChoiceFor(profile_, *fileWord);
    if (load.panelChoice) {
        applyPanelChoice(profile_, *load.panelChoice);
        panelWordFromFile_ = panelWord(profile_);
    } else {
        load.notice = Messages::configWordNotOnPanelIn(*profile_.device, *fileWord, panelWord(profile_));
    }
}

void ProgrammerCore::storeWords(int firstWord, const QList<quint16> &words)
{
    for (int n = 0; n < words.size(); ++n)
        PBUF_.setWord(firstWord + n, quint8(words[n] >> 8), quint8(words[n] & 0xFF));
    profile_.LASTADR = qint16(std::max<int>(profile_.LASTADR, firstWord + int(words.size()) - 1));
}

void ProgrammerCore::restoreWords(int firstWord, const QList<quint16> &words, int lastAddress)
{
    storeWords(firstWord, words);
    profile_.LASTADR = qint16(lastAddress);
}

bool ProgrammerCore::fileGivesWord(int word) const
{
    const std::size_t low = std::size_t(2 * word);
    return state_.programLoaded && low + 1 < fileBytes_.size() && (fileBytes_[low] || fileBytes_[low + 1]);
}

ConfigChoice ProgrammerCore::configWordToWrite() const
{
    using Origin = ConfigChoice::Origin;
    switch (rules_) {
    case WordRules::Panel: return {panelWord(profile_), Origin::Panel};
    case WordRules::FixedWord: return {wordFor(*profile_.device), Origin::FixedWord};
    case WordRules::Console: break;
    }
    if (givenConfigWord_)
        return {*givenConfigWord_, Origin::Given};
    if (state_.fileConfigWord)
        return {*state_.fileConfigWord, Origin::File};
    // The word the panel shows right after the device is selected.
    DeviceProfile selected;
    ::selectDevice(selected, *profile_.device);
    return {panelWord(selected), Origin::DeviceDefault};
}

quint16 ProgrammerCore::wordFor(Device procedure) const
{
    if (rules_ == WordRules::Console)
        return configWordToWrite().word;
    const Edition edition = rules_ == WordRules::Panel ? Edition::Advanced : Edition::Basic;
    return writtenConfig(edition, procedure, profile_, state_.watchdogEnabled).word();
}

ConfigSource ProgrammerCore::configSource(Device procedure) const
{
    return [this, procedure] { return wordFor(procedure); };
}

bool ProgrammerCore::confirmConfigWord()
{
    const Device device = *profile_.device;
    if (rules_ != WordRules::FixedWord || !state_.programLoaded || !state_.fileConfigWord)
        return true;
    return operations_.confirmConfigWord(device, *state_.fileConfigWord, wordFor(device));
}

Outcome ProgrammerCore::write(Question question)
{
    const Device device = *profile_.device;
    WriteJob job{device, profile_.LASTADR, configSource(device), state_.programLoaded};
    if (rules_ == WordRules::FixedWord && question == Question::Ask)
        job.fileWordToConfirm = state_.fileConfigWord;
    adapter_.forgetFramesSent();
    return told(operations_.write(PBUF_, job), wordFor(device));
}

Outcome ProgrammerCore::verify(int lastWord, bool withConfigWord)
{
    const std::optional<quint16> configWord = withConfigWord ? state_.fileConfigWord : std::nullopt;
    adapter_.forgetFramesSent();
    return told(operations_.verify(PBUF_, lastWord, configWord), configWord);
}

Outcome ProgrammerCore::read(int lastWord, bool withConfigWord)
{
    adapter_.forgetFramesSent();
    const Outcome outcome = withConfigWord ? operations_.readWithConfigWord(PBUF_, lastWord, *profile_.device)
                                           : operations_.read(PBUF_, lastWord);
    // The buffer holds the chip's words now, whatever the read reached.
    forgetLoadedFile();
    return told(outcome);
}

Outcome ProgrammerCore::blankAll()
{
    profile_.LASTADR = qint16(profile_.MEMSIZE - 1);
    adapter_.forgetFramesSent();
    const Outcome outcome = operations_.blankAll(PBUF_, profile_.LASTADR, configSource(Device::PIC16F84));
    forgetLoadedFile();
    return told(outcome, wordFor(Device::PIC16F84));
}

Outcome ProgrammerCore::identify()
{
    adapter_.forgetFramesSent();
    return told(operations_.identify());
}

ChipCheck ProgrammerCore::blankCheck()
{
    adapter_.forgetFramesSent();
    ChipCheck check = operations_.blankCheck(*profile_.device);
    check.outcome = told(check.outcome);
    return check;
}

ChipIdentity ProgrammerCore::checkDeviceId()
{
    ChipIdentity identity;
    const std::optional<DeviceId> id = deviceRowOf(*profile_.device).id;
    if (!id)
        return identity;
    adapter_.forgetFramesSent();
    identity.outcome = told(operations_.readDeviceId());
    identity.word = identity.outcome.configWord;
    identity.outcome.configWord.reset();
    identity.isChosenDevice = identity.word && (*identity.word & id->mask) == id->value;
    return identity;
}

bool ProgrammerCore::checkedBeforeWrite() const
{
    return profileDefaults(*profile_.device).eprom;
}

ChipCheck ProgrammerCore::checkBeforeWrite()
{
    adapter_.forgetFramesSent();
    const Device device = *profile_.device;
    ChipCheck check = operations_.checkBeforeWrite(PBUF_, profile_.LASTADR, device, wordFor(device));
    check.outcome = told(check.outcome);
    return check;
}

ChipCheck ProgrammerCore::verifyAll(int lastWord, bool withConfigWord)
{
    const std::optional<quint16> configWord = withConfigWord ? state_.fileConfigWord : std::nullopt;
    adapter_.forgetFramesSent();
    ChipCheck check = operations_.verifyAll(PBUF_, lastWord, configWord);
    check.outcome = told(check.outcome, configWord);
    return check;
}

quint16 ProgrammerCore::checksum(std::optional<quint16> configWord) const
{
    return programChecksum(PBUF_, profile_.MEMSIZE, configWord.value_or(configWordToWrite().word));
}

bool ProgrammerCore::programReadFromProtectedChip() const
{
    return state_.programLoaded && state_.fileConfigWord &&
           readFromProtectedChip(PBUF_, profile_.LASTADR, *profile_.device, *state_.fileConfigWord);
}

ChipComparison ProgrammerCore::programConflicts(const ChipComparison &notBlank) const
{
    // The chip is blank but where the check found otherwise.
    ProgramBuffer chip;
    chip.blank();
    for (const WordDifference &word : notBlank.words)
        chip.setWord(word.address, quint8(word.chip >> 8), quint8(word.chip & 0xFF));
    const quint16 chipConfig = notBlank.configWord ? notBlank.configWord->chip : ProgramBuffer::kBlankWord;
    const Device device = *profile_.device;
    const int lastWord = std::min<int>(profile_.LASTADR, profileDefaults(device).memorySize - 1);
    return epromConflicts(chip, PBUF_, lastWord, chipConfig, wordFor(device));
}

Outcome ProgrammerCore::told(Outcome outcome, std::optional<quint16> configWordExpected) const
{
    using Kind = Outcome::Kind;
    switch (outcome.kind) {
    case Kind::Mismatch:
    case Kind::WordNotTaken: outcome.expectedWord = PBUF_.word(outcome.word); break;
    case Kind::ConfigMismatch: outcome.chipWord = outcome.configWord; [[fallthrough]];
    case Kind::ConfigNotTaken: outcome.expectedWord = configWordExpected; break;
    default: break;
    }
    outcome.lastFramesSent = adapter_.lastFramesSent();
    const QList<SentFrame> &sent = outcome.lastFramesSent;
    const auto &[V1, F1] = CommandText::closing;
    outcome.closingStepSent = sent.size() == 2 && sent[0].frame == V1 && sent[1].frame == F1 && sent[0].answered
                              && sent[1].answered;
    return outcome;
}

void ProgrammerCore::forgetLoadedFile()
{
    state_.programLoaded = false;
    state_.fileConfigWord.reset();
    loadedFilePath_.clear();
    loadedFileSha256_.clear();
}
