#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class MessageQueue;

inline constexpr int kModeVersion = 1; // "Check for Upgrade"
inline constexpr int kModeEngines = 2; // "Update Engines"
inline constexpr int kModeClients = 3; // "Update Clients"

// The update service's host: VELMORA_UPDATE_HOST (host[:port]) when set,
// else the program's own.
std::string GetUpdateHost();
// The request object of a mode ("/~orlund/cgi-bin/updates/update.cgi?...").
std::string GetUpdateObject(int mode);
std::string BuildUpdateUrl(int mode);

// The answer body as the answer file holds it: every line (up to a line
// feed, a CR before it kept) followed by CR LF.
std::string ToAnswerFileText(std::string_view body);

// What the upgrade dialog hands its worker. The answer is written to
// `answerPath` (update.tmp) only when it came whole with status 200, through
// a temporary file, so a failed fetch leaves the old answer as it was.
struct UpdateJob {
    int mode = kModeVersion;
    std::string answerPath;
    std::shared_ptr<MessageQueue> queue;
    std::size_t maxAnswer = 1 << 20;
    long connectTimeoutSeconds = 20;
    long totalTimeoutSeconds = 60;
};

// The worker: one GET, then exactly one kMsgUpdateReady with value 1 (the
// answer file was written) or 0, and subject the HTTP status (0 for none).
void UpdateThreadProc(const std::shared_ptr<UpdateJob>& job);
bool StartUpdateWorker(const std::shared_ptr<UpdateJob>& job);

// The sentence a failed fetch shows.
std::string DescribeUpdateFailure(long httpStatus);

} // namespace velmora
