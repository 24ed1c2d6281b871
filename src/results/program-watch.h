#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/process-launch.h"
#include "results/client-launch.h"

namespace velmora {

class MessageQueue;

// How a program the user started from a result ended, by its name.
struct ProgramReport {
    std::string name;
    ProgramEnd end;
};

// Waits for each program on a thread of its own and posts
// kMsgProgramEnded (record: a ProgramReport) to `queue` when it ends. The
// queue is co-owned, so a program that outlives its window posts to no one.
void WatchPrograms(std::vector<StartedProgram> programs, const std::shared_ptr<MessageQueue>& queue);

// What the status line says of programs just started: "lftp started..." or
// "lftp and FileTransfer started...". Empty when none was.
std::string DescribeStarted(const std::vector<StartedProgram>& programs);

// "lftp finished", or "lftp failed: " and its last error line.
std::string DescribeEnd(const ProgramReport& report);

} // namespace velmora
