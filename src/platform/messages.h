#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmora {

// Message ids posted by workers to the thread that owns the session.
// The values are the program's own, kept stable because tests and the
// command line name them.
enum MessageId : std::uint32_t {
    kMsgFoundHttpLink = 0x401, // value: FoundLink (in Message::link)
    kMsgFoundFtpLink = 0x402,  // value: FoundLink (in Message::link)
    kMsgEngineDone = 0x403,    // value: links posted for the page
    kMsgEngineFailed = 0x404,  // value: 0
    kMsgEngineStopped = 0x405, // value: 0
    kMsgUpdateReady = 0x4C8,   // value: 1 answer file written, 0 not
    kMsgTestDone = 0x4C9,      // record: the TestJob
    kMsgBrowseListed = 0x4D0,  // record: a BrowseListing
    kMsgBrowseSkipped = 0x4D1, // record: a BrowseSkip
    kMsgBrowseDone = 0x4D2,    // record: the BrowseSummary
    kMsgProgramEnded = 0x4D8,  // record: a ProgramReport
    kMsgFileChecked = 0x4DC,   // record: a CheckedFile
    kMsgCheckLaneDone = 0x4DD, // value: 0
    kMsgSaveFailed = 0x4E0,    // record: why, a std::string sentence
    kMsgSaveWritten = 0x4E1,   // a save was written or failed
};

// One found link on its way from a search worker to the owner. Ownership
// passes with the post; the receiver frees it.
struct FoundLink {
    std::int32_t reserved = 0;
    std::int32_t size = 0;     // text length + 1
    std::string text;          // URL, or URL, a tab and the anchor text
    std::size_t urlLength = 0; // the URL's length within text (it may hold a tab)
    std::string wrapper;       // the engine's redirect link it came from, if any
};

// A posted message. `subject` names what it is about (an engine item, a
// server) by a handle that is never reused; `value` is the number the id's
// comment above tells; jobId names the job that posted it, so the owner can
// tell a late report of an earlier job from the current one.
struct Message {
    std::uint32_t id = 0;
    std::uint64_t value = 0;
    std::uint64_t subject = 0;
    std::uint64_t jobId = 0;
    std::unique_ptr<FoundLink> link;
    std::shared_ptr<void> record;
};

} // namespace velmora
