// Sensor link: the parameter set's pages to and from the sensor, teach, the
// raw measurement frame, the 64-word block reads of the four sensor buffers,
// and the requests that change state inside the sensor (held max/min reset,
// linearisation flash clear and write).
#include <algorithm>
#include <array>
#include <string>

#include "com232.h"
#include "core/compare.h"
#include "core/frame.h"
#include "core/linfile.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace {

// What an operation that was aborted leaves on the status line: never the
// in-progress text of a step that will not end, never a time-out that did not happen.
constexpr const char* kTransferStopped = "Parameter transfer stopped!";
constexpr const char* kUploadStopped = "X-FLASH upload stopped - table incomplete!";

constexpr std::uint16_t kPages = 3;

}  // namespace

// --- the parameter set ----------------------------------------------------------------------

Outcome FetchPage(std::uint16_t target, std::uint16_t page,
                  std::span<std::uint16_t, core::kParamCount> into) {
    // The File target has been read into `parameter` before; nothing to ask.
    if (target == 3) {
        ShowStatus();
        return Outcome::Answered;
    }
    if (target == 1)
        parameter[core::kCommand] = core::kCmdReadRam;
    else if (target == 2)
        parameter[core::kCommand] = core::kCmdReadEeprom;
    const std::uint16_t command = parameter[core::kCommand];
    CopyVarsToPP(page);  // the request carries the page's current values
    // Only the answer to this request is a page: the last raw frame of a run
    // that just stopped must never be written into the parameter set.
    const Outcome outcome = Exchange({.command = command,
                                      .second = page,
                                      .words = pp,
                                      .progress = "Waiting for parameter-frame ...",
                                      .progressOnlyWhole = true},
                                     {.kind = Expect::Echo, .echo = command}, TIMEOUT);
    if (outcome == Outcome::Answered) {
        core::CopyPPtoVars(into, page, std::span(pp).first<core::kPageWords>());
        SetStatus("Parameter-frame received! - Line Ok!");
    } else if (outcome == Outcome::Aborted) {
        SetStatus(kTransferStopped);
    } else if (const char* text = MissedText(outcome, "Timeout-RS-232...")) {
        SetStatus(text);
    }
    ShowStatus();
    return outcome;
}

int FetchParameterSet(std::uint16_t target) {
    LineOperation operation;
    std::uint16_t gathered[core::kParamCount];
    std::copy(std::begin(parameter), std::end(parameter), gathered);
    for (std::uint16_t page = 0; page < kPages; ++page) {
        const Outcome outcome = FetchPage(target, page, gathered);
        if (outcome == Outcome::Answered && page == kPages - 1) {
            std::uint16_t words[core::kPPWords];
            for (std::uint16_t p = 0; p < kPages; ++p) {
                core::CopyVarsToPP(gathered, p, words);
                core::CopyPPtoVars(parameter, p, std::span(words).first<core::kPageWords>());
            }
            Observer().ParameterSetTaken();
        }
        if (outcome == Outcome::Aborted || outcome == Outcome::LineLost)
            return 0;
        Delay(0.1);
        if (outcome != Outcome::Answered)
            return 0;
    }
    return 1;
}

Outcome ReadParameterPages(std::uint16_t target, std::span<std::uint16_t, core::kParamCount> into) {
    LineOperation operation;
    // Every exchange notes its command in the set; a look at the sensor
    // must leave no trace in it.
    const std::uint16_t command = parameter[core::kCommand];
    std::copy(std::begin(parameter), std::end(parameter), into.begin());
    Outcome outcome = Outcome::Answered;
    for (std::uint16_t page = 0; page < kPages && outcome == Outcome::Answered; ++page) {
        outcome = FetchPage(target, page, into);
        if (outcome == Outcome::Answered && page < kPages - 1)
            Delay(0.1);
    }
    parameter[core::kCommand] = command;
    return outcome;
}

Outcome SendParameterSet(std::uint16_t target) {
    LineOperation operation;
    parameter[core::kFrameHeader] = core::kRequestSync;
    const std::uint16_t command = target == 2 ? core::kCmdWriteEeprom : core::kCmdWriteRam;
    parameter[core::kCommand] = command;
    // The sensor does not answer a page write: the three pages go out 0.1 s apart.
    static const char* const kSent[kPages] = {"Sending Para-Frame 0 ...", "Sending Para-Frame 1 ...",
                                              "Line Ok!"};
    for (std::uint16_t page = 0; page < kPages; ++page) {
        parameter[core::kPage] = page;
        CopyVarsToPP(page);
        const Outcome outcome = Exchange({.command = command,
                                          .second = page,
                                          .words = pp,
                                          .progress = kSent[page],
                                          .progressOnlyWhole = true},
                                         {.kind = Expect::None}, 0.0);
        if (outcome == Outcome::LineLost)
            return outcome;
        if (outcome == Outcome::Aborted || OperationAborted()) {
            ShowStatusText(kTransferStopped);
            return Outcome::Aborted;
        }
        Observer().Wait(com, 0.0);  // what the operator did meanwhile runs once
        if (page < kPages - 1)
            Delay(0.1);
    }
    return Outcome::Answered;
}

Outcome VerifyParameterSet(std::uint16_t target, core::SetWords* readBack) {
    LineOperation operation;
    // The sensor writes a page without answering; the read-back keeps the
    // pause the pages keep between them, so the last page has been stored.
    Delay(0.1);
    std::uint16_t back[core::kParamCount];
    const Outcome outcome = ReadParameterPages(target == 2 ? 2 : 1, back);
    if (outcome != Outcome::Answered)
        return outcome;
    // All 45 data words are compared. The request header (sync, command,
    // page) is framing the sensor does not store, and it is in no page.
    const core::SetWords read = core::SetWordsOf(back);
    SetStatus(core::VerifyText(core::Compare(core::SetWordsOf(parameter), read)).c_str());
    ShowStatus();
    if (readBack)
        *readBack = read;
    return outcome;
}

Outcome TeachSetpoint() {
    CopyVarsToPP(0);  // the teach request carries the general page
    const Outcome outcome =
        Exchange({.command = core::kCmdTeach, .words = pp, .progress = "New setpoint value teached!"},
                 {.kind = Expect::NotRaw}, TIMEOUT);
    if (outcome == Outcome::Aborted)
        ShowStatusText(kTransferStopped);
    return outcome;
}

// --- raw frame and blocks ------------------------------------------------------------------------

int PushGETRAW() {
    parameter[core::kPage] = 0;
    graph_flag = 0;
    // The payload is whatever the previous transfer left in pp; the sensor
    // ignores it for a raw request. Only a raw frame ends the wait.
    const Outcome outcome =
        Exchange({.command = core::kCmdRaw, .words = pp, .progress = "Line Ok!", .progressOnlyWhole = true},
                 {.kind = Expect::Echo, .echo = core::kCmdRaw}, TIMEOUT);
    if (outcome == Outcome::Answered)
        return 1;
    if (const char* text = MissedText(outcome, "Timeout RS232-Line!")) {
        ShowStatusText(text);
        stop_flag = 1;
    }
    return 0;
}

namespace {

const char* BlockWaitText(int start) {
    switch (start) {
    case 0: return "Waiting for Data[64] Block 0 ...";
    case 64: return "Waiting for Data[64] Block 1 ...";
    case 128: return "Waiting for Data[64] Block 2 ...";
    case 192: return "Waiting for Data[64] Block 3 ...";
    default: return "Waiting for Data[64] Block x ...";
    }
}

}  // namespace

int ReadData64(int start, int buffer, std::uint16_t* dest) {
    // Bytes 6-7 the buffer, 8-33 zero; 34-35 go out as the previous request left them.
    std::array<std::uint16_t, 14> words{};
    words[0] = static_cast<std::uint16_t>(buffer);
    const Outcome outcome = Exchange({.command = core::kCmdBlock,
                                      .second = static_cast<std::uint16_t>(start),
                                      .words = words,
                                      .whole = false,
                                      .progress = BlockWaitText(start)},
                                     {.kind = Expect::Bytes, .length = core::kBlockLen}, TIMEOUT);
    int result = 0;
    switch (outcome) {
    // Stopped while a block was on its way: the last outcome stands again
    // rather than a wait that no longer goes on.
    case Outcome::Aborted:
    case Outcome::LineLost: break;
    case Outcome::TimedOut: SetStatus("Timeout-RS-232 while reading 64 data-words!"); break;
    // Blocks that kept coming damaged (short, or with bytes too many): none of
    // it is trusted, and the operator is told so rather than shown the last success.
    case Outcome::WrongAnswer: SetStatus("Error reading 64 data-words!"); break;
    case Outcome::Answered:
        SetStatus("Data[64] block received!");
        // Callers pass 0 or 64; anything else must still not write past the buffer.
        if (dest && start >= 0 && start + static_cast<int>(core::kBlockWords) <= MAXPOINT)
            for (std::size_t i = 0; i < core::kBlockWords; ++i)
                dest[static_cast<std::size_t>(start) + i] = core::GetWordBE(szReadBuf + 2 * i);
        result = 1;
        break;
    }
    ShowStatus();
    return result;
}

// --- maintenance commands ----------------------------------------------------------------------

Outcome ResetMaxMin() {
    const Outcome outcome =
        Exchange({.command = core::kCmdResetMaxMin, .words = pp, .progress = "Reset Max/Min values..."},
                 {.kind = Expect::NotRaw}, TIMEOUT);
    if (outcome == Outcome::Answered)
        SetStatus("Reset Max/Min OK!");
    else if (outcome == Outcome::Aborted)
        SetStatus("Reset Max/Min stopped!");
    else if (const char* text = MissedText(outcome, "Timeout-RS-232..."))
        SetStatus(text);
    ShowStatus();
    return outcome;
}

namespace {

Outcome ClearFlash() {
    parameter[core::kPage] = 0;
    std::uint16_t fill[core::kPageWords];
    std::fill_n(fill, core::kPageWords, core::kAnswerSync);
    const Outcome outcome =
        Exchange({.command = core::kCmdClearFlash, .words = fill, .progress = "clearing X-FLASH..."},
                 {.kind = Expect::NotRaw}, TIMEOUT);
    if (outcome == Outcome::Answered)
        SetStatus("X-FLASH-cleared!");
    else if (const char* text = MissedText(outcome, "Timeout-RS-232..."))
        SetStatus(text);
    else
        return outcome;
    ShowStatus();
    return outcome;
}

}  // namespace

int ClearXFLASH() {
    return ClearFlash() == Outcome::Answered ? 1 : 0;
}

Outcome WriteXFLASH(std::uint16_t offset, std::uint16_t page, const std::uint16_t* table,
                    std::uint16_t device) {
    using core::kFlashBlockWords;
    const int index = (page - core::kFlashFirstPage) * static_cast<int>(core::kFlashPageWords) + offset;
    // Bytes 6-7 the page, 8-23 the table words; 24-35 go out as the previous request left them.
    std::array<std::uint16_t, 1 + kFlashBlockWords> words{page};
    if (index >= 0 && index + kFlashBlockWords <= core::kLinTableWords)
        std::copy_n(table + index, kFlashBlockWords, words.begin() + 1);
    const Outcome outcome =
        Exchange({.command = core::kCmdWriteFlash, .second = offset, .words = words, .whole = false},
                 {.kind = Expect::NotRaw}, TIMEOUT);
    if (outcome == Outcome::Aborted || outcome == Outcome::LineLost)
        return outcome;

    if (outcome != Outcome::Answered) {
        SetStatus(MissedText(outcome, "Timeout-RS-232..."));
    } else {
        Observer().FlashBlockAnswered(index);
        static const char* const kPageText[] = {"X-FLASH-write OK: PAGE2 ...", "X-FLASH-write OK: PAGE3 ...",
                                                "X-FLASH-write OK: PAGE4 ...", "X-FLASH-write OK: PAGE5 ...",
                                                "X-FLASH-write OK: PAGE6 ...", "X-FLASH-write OK: PAGE7 ...",
                                                "X-FLASH-write OK: PAGE8 ...", "X-FLASH-write OK: PAGE9 ..."};
        if (pp[1] >= 2 && pp[1] <= 9)
            SetStatus(kPageText[pp[1] - 2]);
    }
    // Only this block's own acknowledgement of the table's last words ends the
    // upload as written; pp may hold words of an earlier answer.
    if (outcome == Outcome::Answered && pp[1] == 9 && pp[0] == 248) {
        Observer().FlashUploadComplete(device);
        ShowStatusText("X-FLASH Data successfully written!");
        return outcome;
    }
    Observer().FlashProgress(index, device);
    ShowStatus();
    return outcome;
}

bool LoadLinTable(const char* path, std::uint16_t* table) {
    std::string text;
    core::LinFileValues values{};
    if (ReadFileBytes(path, text) != 0 || !core::ParseLinFile(text, values))
        return false;
    std::transform(values.begin(), values.end(), table, &core::LinTableWord);
    return true;
}

Outcome UploadLinTable(const std::uint16_t* table, std::uint16_t device) {
    LineOperation operation;
    Outcome outcome = ClearFlash();
    bool complete = false;
    // Whatever the clear brought, the progress of an earlier upload goes: its
    // grey bar must not stand beside this one's outcome.
    if (outcome != Outcome::Aborted && outcome != Outcome::LineLost)
        Observer().FlashUploadStarted(device);
    if (outcome == Outcome::Answered) {
        for (std::uint16_t page = core::kFlashFirstPage;
             outcome == Outcome::Answered &&
             page < core::kFlashFirstPage + core::kLinTableWords / core::kFlashPageWords;
             ++page)
            for (std::uint16_t offset = 0; outcome == Outcome::Answered && offset < core::kFlashPageWords;
                 offset += core::kFlashBlockWords)
                outcome = WriteXFLASH(offset, page, table, device);
        complete = outcome == Outcome::Answered && pp[1] == 9 && pp[0] == 248;
    }
    if (outcome == Outcome::Aborted)
        ShowStatusText(kUploadStopped);
    return complete || outcome != Outcome::Answered ? outcome : Outcome::WrongAnswer;
}
