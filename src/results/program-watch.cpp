#include "results/program-watch.h"

#include <algorithm>
#include <thread>

#include "platform/message-queue.h"

namespace velmora {

void WatchPrograms(std::vector<StartedProgram> programs, const std::shared_ptr<MessageQueue>& queue)
{
    for (StartedProgram& started : programs) {
        std::thread([started = std::move(started), queue]() mutable {
            auto report = std::make_shared<ProgramReport>();
            report->name = started.name;
            report->end = started.program.Wait();
            Message message;
            message.id = kMsgProgramEnded;
            message.record = std::move(report);
            queue->Post(std::move(message));
        }).detach();
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
