#pragma once

#include "image/ProgramBuffer.h"

#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Plain C++ on purpose: a loader on its own (a tool, a fuzzer) starts without Qt.

// Why a HEX file was refused. The user sees one message for all of them; the reason is for
// tests and for whoever has to work out what is wrong with a file.
enum class HexError {
    None,
    Unreadable,    // the file cannot be opened or read
    NotAFile,      // a device, FIFO, socket or folder: nothing a program is stored in
    TooLarge,      // longer than any HEX file of a program for these devices can be
    NotARecord,    // a line before the end record is neither blank nor starts with ':'
    BadDigit,      // a character after the colon is not a hex digit
    BadLength,     // the line's length does not match its byte count or its record type
    BadChecksum,   // the bytes of the record do not sum to 0
    UnknownType,   // a record type other than 00 to 05
    OutsideBuffer, // a data byte would land outside PBUF's indices 0..20000
    NoData,        // no byte lands in the device's program memory
    DoesNotFit,    // a byte lies past the device's last word but below 2000h: the program does not fit
    NoEndRecord,   // the end-of-file record is missing: the file was cut short
    ConflictingByte, // one byte address is given two different values: which one is meant?
    HalfConfigWord,  // only one of the configuration word's two bytes (400Eh, 400Fh) is given
};

// The largest HEX file taken, in bytes. Filling all 20001 bytes of PBUF one byte to a record,
// with CR LF, takes about 300 KB; a program for a 1024-word device is a few KB. Anything longer
// is not a program for these devices, and refusing it at once keeps a large file from holding
// the window.
constexpr long long kMaxHexFileBytes = 1024 * 1024;

// A byte the loader stored, at its index in the program buffer.
struct StoredByte {
    int index;
    std::uint8_t value;
};

// What a HEX file holds. Only an ok() result may be applied; a failed one tells, through
// lastLine and lastStored, where the file went wrong.
struct HexLoadResult {
    HexError error = HexError::None;
    ProgramBuffer PBUF;  // words 0..9999 blank, byte 20000 as before, then every data byte
    std::int16_t LASTADR = -1; // highest word below MEMSIZE that holds a byte of the file; -1 if none
    int startWord = 0;         // word address of the first data record
    std::string lastLine;      // the last non-blank line read; empty if none was read
    std::optional<StoredByte> lastStored; // the last byte stored, if any
    // The configuration word the program was assembled for (word 2007h, bytes 400Eh/400Fh),
    // when the file stores both of its bytes.
    std::optional<std::uint16_t> configWord;
    std::bitset<ProgramBuffer::kSize> stored; // the bytes a record has given a value

    // Whether a record gives either byte of the word a value (3FFF is an instruction too).
    bool storesWord(int word) const { return stored[std::size_t(2 * word)] || stored[std::size_t(2 * word + 1)]; }

    bool ok() const { return error == HexError::None; }
};

// Reads Intel HEX text into a fresh image built from `current`, which is only read.
// Every record is checked (hex digits, length, checksum); type 00 stores bytes (a byte given
// again must have the same value), 02 and 04 set
// the base address of the records after them, 03 and 05 are ignored, 01 ends the file and must
// come. A line ends at CR, LF or CR LF; a UTF-8 byte-order mark at the start is skipped.
// Blank lines are skipped, and so is whatever follows the end record.
HexLoadResult parseIntelHex(std::string_view text, const ProgramBuffer &current, int MEMSIZE);

// The same for a file, read in blocks: memory does not grow with the file's size. Only a regular
// file is opened, and never in a way that could block (a FIFO without a writer, a terminal).
HexLoadResult loadHexFile(const std::string &path, const ProgramBuffer &current, int MEMSIZE);
