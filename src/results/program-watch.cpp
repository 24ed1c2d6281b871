#include "results/program-watch.h"

#include <algorithm>

#include "platform/message-queue.h"
#include "platform/worker-pool.h"

namespace velmora {

void WatchPrograms(std::vector<StartedProgram> programs, const std::shared_ptr<MessageQueue>& queue)
{
    // A program the user started may run for hours: the end of ours does
    // not wait for its watch.
    for (StartedProgram& started : programs) {
        WorkerPool::Shared().Run(
            [started = std::make_shared<StartedProgram>(std::move(started)), queue] {
                auto report = std::make_shared<ProgramReport>();
                report->name = started->name;
                report->end = started->program.Wait();
                Message message;
                message.id = kMsgProgramEnded;
                message.record = std::move(report);
                queue->Post(std::move(message));
            },
            AtExit::Leave);
    }
}

std::string DescribeStarted(const std::vector<StartedProgram>& programs)
{
    std::vector<std::string> names;
    for (const StartedProgram& started : programs) {
        if (std::find(names.begin(), names.end(), started.name) == names.end())
            names.push_back(started.name);
    }
    if (names.empty())
        return {};
    std::string text = names.front();
    for (std::size_t i = 1; i < names.size(); ++i)
        text += (i + 1 == names.size() ? " and " : ", ") + names[i];
    return text + " started...";
}

std::string DescribeEnd(const ProgramReport& report)
{
    if (report.end.succeeded)
        return report.name + " finished";
    return report.name + " failed: " + report.end.lastErrorLine;
}

} // namespace velmora
