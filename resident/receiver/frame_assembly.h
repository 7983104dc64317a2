// Frame assembly: the received byte stream becomes frames under one of seven
// transmission protocols (CR, CR LF or STX/ETX framing, with or without an
// ACK/NAK answer, or frames ended by a pause in the bytes), and every good
// frame is typed. The state is one record held
// across blocks, so a frame may arrive split anywhere; the consecutive-NAK
// count in it lives as long as the program, across receiver restarts.
// A good frame that no application can receive now (locked desktop, elevated
// target) is kept back: always answered NAK, so the device keeps it, and
// outside the run of bad frames; bytes that never make frames raise a
// reception cause.
//
// Framing goes byte by byte in every character code: no byte of a Shift-JIS
// or UTF-8 character after its first is ever STX, ETX, CR or LF. Under a
// multibyte code the bytes from 0x80 up are kept too, and the frame is
// decoded as a whole when it ends; a frame that is not valid in its code is
// bad. Control bytes other than the protocol's own framing bytes stay in the
// frame until the editing step, so that a rule can name them (the GS between
// the fields of a GS1 code); the step drops whatever no rule turned into a
// key. A frame whose length the rules do not accept is bad.
// Under protocol '6' no byte frames: every byte is data, a frame ends when the
// receiver loop sees no byte for FrameGap milliseconds (it owns the clock), or
// when it reaches the 1023-byte limit, and nothing is answered.
#pragma once

#include <atomic>
#include <cstdint>

#include "common/data_editing.h"
#include "common/device_settings.h"
#include "common/settings_records.h"
#include "resident/receiver/answer_line.h"
#include "resident/receiver/input_target.h"
#include "resident/receiver/keyboard.h"
#include "resident/receiver/keystrokes.h"
#include "resident/receiver/reception_causes.h"
#include "resident/receiver/text_decoder.h"

namespace tellurin {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;

constexpr std::uint32_t kFrameBufferSize = 1024;
constexpr std::uint32_t kMaxFrameLength = kFrameBufferSize - 1;  // room for the NUL
constexpr std::uint32_t kNakRunLength = 20;  // the 20th bad frame in a row gets ACK

// When bytes are taken for a protocol mismatch: so many bytes outside any
// frame with no start byte among them (under STX/ETX), or so many frames in a
// row whose CR is not followed by LF (under CR LF). A stray byte or a single
// cut frame never trips either; a frame that overflows its buffer without an
// end byte (under CR or CR LF) trips at once.
constexpr std::uint32_t kStrayBytesBeforeNotice = 16;
constexpr std::uint32_t kUnfinishedFramesBeforeNotice = 3;

enum class FrameState : std::uint8_t {
    Idle = 0,
    Collecting = 1,
    AwaitingSecondEnd = 2,
    Answering = 3,
    Delivering = 4,
};

// How a frame's bytes are read (FunctionSettings::CharacterCode).
enum class FrameCode : std::uint8_t {
    Ascii,      // single bytes 0x20..0x7E; the rest are dropped
    ShiftJis,
    Utf8,
    Automatic,  // per frame: UTF-8 if valid there and not plain ASCII, else Shift-JIS
};

struct FramingRule {
    std::uint8_t StartByte;      // 0 = none, or STX
    std::uint8_t EndByte;        // CR or ETX; 0 = none (frames end by silence)
    std::uint8_t SecondEndByte;  // 0 = none, or LF
    bool EndsBySilence;          // protocol '6'
};

struct FrameAssembly {
    FramingRule Rule;
    FrameState State;
    char FrameBuffer[kFrameBufferSize];
    std::uint32_t FrameLength;
    bool FrameBad;
    std::uint32_t NakCount;
    FrameCode Code;  // read when the frame begins
    bool FrameCut;   // bytes past the 1023rd were dropped
    bool FrameHasCharacter;  // a byte that is no control byte was kept
    std::uint32_t StrayBytes;        // outside any frame since the last start byte
    std::uint32_t UnfinishedFrames;  // in a row: CR without LF
    std::uint32_t FramesEnded;       // every frame completed, good or bad; wraps
};

// Keeps the last frame received, as received (decoded, control characters
// kept, before editing), for the settings dialog's preview. Called on the
// receiver thread; the keeper guards the text for its reader.
struct LastFrameKeeper {
    virtual ~LastFrameKeeper() = default;
    virtual void KeepLastFrame(std::u16string_view text) = 0;
};

// What one call of ProcessReceivedBytes works with besides its state.
struct ReceptionContext {
    const std::atomic<bool>& ReceivingEnabled;  // cleared by the main thread to stop
    const CommunicationSettings& Communication;
    const FunctionSettings& Function;
    const ModifierScanCodes& Scans;
    AnswerLine& Line;
    Keyboard& Keys;
    TextDecoder& Decoder;
    InputTarget& Target;
    ReceptionCauses& Causes;
    ReceptionCauseListener& CauseListener;
    const EditPlan& Editing;  // prepared from the editing rules at the receiver's start
    Clock& Time;              // for the time fields of a prefix or suffix
    LastFrameKeeper& LastFrame;
};

// Codes "0".."6" as in the dialog's list; anything else frames as STX/ETX.
FramingRule FramingRuleFor(char16_t protocol);
bool IsAnswerProtocol(char16_t protocol);
// Codes "0".."3" as in the dialog's list; anything else reads as ASCII.
FrameCode FrameCodeFor(char16_t characterCode);

enum class FrameText {
    Decoded,
    Invalid,           // a sequence that is not valid in the code
    ShiftJisMissing,   // read as Shift-JIS, on a system without code page 932
};

// A frame's bytes (no control bytes among them) as UTF-16 units in its code,
// into text with room for length units. When the frame was cut at the length
// limit, a character the cut left incomplete is dropped whole. Read as
// Shift-JIS, a single byte that code page 932 gives no character (0x80, 0xA0,
// 0xFD-0xFF) makes the frame invalid on every system, and a frame of ASCII
// alone needs no converter; read as UTF-8, a byte-order mark at the start is
// dropped.
FrameText DecodeFrame(FrameCode code, const std::uint8_t* bytes, std::uint32_t length, bool cut,
                      TextDecoder& decoder, char16_t* text, std::uint32_t& units);

// At each receiver start and after a receive error: back to Idle with the
// framing of the current protocol. NakCount is deliberately kept; the
// mismatch counts start again.
void ResetFrameAssembly(FrameAssembly& assembly, char16_t protocol);

void ProcessReceivedBytes(FrameAssembly& assembly, const std::uint8_t* block, std::uint32_t length,
                          ReceptionContext& context);

// Under protocol '6': a frame has begun and waits for the pause that ends it.
bool FrameAwaitsSilence(const FrameAssembly& assembly);
// The pause came: the open frame is complete (and typed, if good).
void EndFrameBySilence(FrameAssembly& assembly, ReceptionContext& context);

}  // namespace tellurin
